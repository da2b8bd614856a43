// Invariants shared by the fuzz harnesses. A violated invariant prints what was
// wrong and aborts, which libFuzzer records as a crash together with the input.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "diagnostics/plain_report.hpp"
#include "diagnostics/report.hpp"
#include "support/code_units.hpp"
#include "support/report_messages.hpp"
#include "text/utf8.hpp"
#include "version/parse_error.hpp"
#include "version/version.hpp"

namespace kolvi::fuzz {

[[noreturn]] inline void fail(const char* what, std::string_view detail = {}) {
  std::fprintf(stderr, "invariant violated: %s\n", what);
  if (!detail.empty()) {
    std::fprintf(stderr, "--- detail ---\n%.*s\n--- end ---\n", static_cast<int>(detail.size()),
                 detail.data());
  }
  std::abort();
}

inline void check(bool holds, const char* what, std::string_view detail = {}) {
  if (!holds) fail(what, detail);
}

inline bool is_character_boundary(std::string_view text, std::size_t offset) {
  return offset == text.size()
         || (offset < text.size() && (static_cast<unsigned char>(text[offset]) & 0xC0) != 0x80);
}

// The message starts with exactly the found part. The found character is written
// raw, so a found line feed is the only line feed the message may hold.
inline void check_message(const version::ParseError& error) {
  const std::string message = error.message();
  std::string found_part = "found ";
  if (error.found) {
    found_part += '\'';
    utf8::append(found_part, *error.found);
    found_part += '\'';
  } else {
    found_part += "end of input";
  }
  found_part += " expected ";
  check(message.starts_with(found_part), "message does not start with its found part", message);
  const std::string_view expected = std::string_view(message).substr(found_part.size());
  check(!expected.empty(), "message has no expected part", message);
  check(expected.find_first_of("\r\n") == std::string_view::npos,
        "expected part of the message spans several lines", message);
  check(utf8::is_valid(message), "message is not valid UTF-8", message);
}

inline void check_no_duplicates(const version::ParseError& error) {
  const auto& items = error.expected;
  for (std::size_t i = 0; i < items.size(); ++i) {
    for (std::size_t j = i + 1; j < items.size(); ++j) {
      check(!(items[i] == items[j]), "expected list holds an item twice", error.message());
    }
  }
}

// The span covers exactly the found character, or is empty at the end of the input.
inline void check_error(const version::ParseError& error, std::string_view text) {
  const auto [start, end] = error.span;
  check(start <= end && end <= text.size(), "span lies outside the input");
  check(is_character_boundary(text, start) && is_character_boundary(text, end),
        "span is not on character boundaries");
  if (error.found) {
    check(start < text.size(), "found a character at the end of input");
    const utf8::Decoded decoded = utf8::decode(text, start);
    check(decoded.code_point == *error.found, "found character differs from the input");
    check(end - start == decoded.length, "span does not cover exactly the found character");
  } else {
    check(start == text.size() && end == text.size(), "end of input found before the end");
  }
  check_no_duplicates(error);
  check_message(error);
}

// Strips colour escapes (ESC '[' ... 'm') so coloured and plain reports share checks.
inline std::string without_escapes(std::string_view text) {
  std::string plain;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\x1b' && i + 1 < text.size() && text[i + 1] == '[') {
      const std::size_t m = text.find('m', i);
      if (m != std::string_view::npos) {
        i = m;
        continue;
      }
    }
    plain += text[i];
  }
  return plain;
}

// Every report is valid UTF-8, starts with the header line and ends with the
// closing line: one or more bars and the corner, then a line feed.
inline void check_report(std::string_view report) {
  check(utf8::is_valid(report), "report is not valid UTF-8", report);
  const std::string plain = without_escapes(report);
  check(plain.starts_with("Error: \n"), "report does not start with its header line", plain);
  static constexpr std::string_view corner_line_end = "╯\n";
  check(plain.ends_with(corner_line_end), "report does not end with the closing line", plain);
  const std::size_t line_start = plain.rfind('\n', plain.size() - 2) + 1;
  std::string_view closing(plain);
  closing = closing.substr(line_start, plain.size() - line_start - corner_line_end.size());
  static constexpr std::string_view bar = "─";
  check(!closing.empty(), "closing line has no bar", plain);
  for (; !closing.empty(); closing.remove_prefix(bar.size())) {
    check(closing.starts_with(bar), "closing line holds something other than bars", plain);
  }
}

// The code-unit writer (what a Python str gets) gives render_report's text, within its bound.
inline void check_report_text(std::span<const version::ParseError> errors, std::string_view text,
                              std::string_view source_name, bool colour,
                              std::string_view rendered) {
  const diagnostics::ReportText report(errors, text, source_name, colour);
  const diagnostics::ReportText::Extent extent = report.measure();
  check(extent.length <= report.length_bound(), "report outgrows its length bound", rendered);
  std::vector<std::uint32_t> units(extent.length);
  const diagnostics::ReportText::Extent written = report.write(units.data());
  check(written.length == extent.length && written.max_code_point == extent.max_code_point,
        "written report differs from its measure", rendered);
  const std::string decoded = testing::utf8_of_units(std::span<const std::uint32_t>(units));
  check(decoded == rendered, "report written as code units differs from the rendered one", decoded);
}

// Where the plain writer takes a report, it gives the text without colour, in exactly the size
// it announces (the sanitizers catch a write past it).
inline void check_plain_report(std::span<const version::ParseError> errors, std::string_view text,
                               std::string_view source_name, std::string_view rendered) {
  const diagnostics::PlainReport plain(errors, text, source_name);
  if (!plain.holds()) return;
  std::string bytes(plain.utf8_size(), '\0');
  plain.write(bytes.data());
  check(bytes == rendered, "plain report differs from the rendered one", bytes);
  std::vector<std::uint16_t> units(plain.length());
  plain.write(units.data());
  const std::string decoded = testing::utf8_of_units(std::span<const std::uint16_t>(units));
  check(decoded == rendered, "plain report as UTF-16 differs from the rendered one", decoded);
}

inline void check_reports(std::span<const version::ParseError> errors, std::string_view text,
                          std::string_view source_name) {
  for (const bool colour : {false, true}) {
    const std::string rendered = diagnostics::render_report(errors, text, source_name, colour);
    check_report(rendered);
    check_report_text(errors, text, source_name, colour, rendered);
    if (!colour) check_plain_report(errors, text, source_name, rendered);
  }
  const std::string message = diagnostics::report_message(errors, text, source_name);
  check_report(message);
  std::string appended;
  diagnostics::append_report_message(appended, errors, text, source_name);
  check(appended == message, "appended report differs from the report message", appended);
}

// Text forms of any value: valid UTF-8, and the debug form on one line.
template <class T>
void check_text_forms(const T& value) {
  const std::string shown = version::display(value);
  const std::string debugged = version::debug(value);
  check(utf8::is_valid(shown), "display form is not valid UTF-8", shown);
  check(utf8::is_valid(debugged), "debug form is not valid UTF-8", debugged);
  check(debugged.find('\n') == std::string::npos, "debug form spans several lines", debugged);
}

// The validity test of the parse table's row for the value agrees with the parse: the same
// answer, and the same error when it fails.
template <class Result>
void check_validity_test(const Result& parsed, std::string_view text) {
  using Value = std::remove_cvref_t<decltype(parsed.value())>;
  const version::ParseResult<void> checked = version::target_of<Value>().check(text);
  check(checked.ok() == parsed.ok(), "the validity test disagrees with the parse");
  if (parsed.ok()) return;
  const version::ParseError& expected = parsed.errors().front();
  const version::ParseError& error = checked.errors().front();
  check(error.span == expected.span && error.found == expected.found
            && error.expected == expected.expected,
        "the validity test fails with another error");
}

// Runs one parse operation on fuzzer bytes and checks everything that must hold.
// `same_value` compares a result with the value parsed back from its display form.
template <class Parse, class SameValue>
int check_parse(const std::uint8_t* data, std::size_t size, Parse parse,
                std::string_view source_name, SameValue same_value) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  // The Python layer hands only valid UTF-8 to the parser.
  if (!utf8::is_valid(text)) return 0;
  const auto result = parse(text);
  check_validity_test(result, text);
  if (result.ok()) {
    check_text_forms(result.value());
    const std::string shown = version::display(result.value());
    const auto reparsed = parse(shown);
    check(reparsed.ok(), "display form does not parse back", shown);
    check(same_value(result.value(), reparsed.value()),
          "display form parses back to a different value", shown);
    check(version::display(reparsed.value()) == shown, "display form is not stable", shown);
    return 0;
  }
  check(result.errors().size() == 1, "a failed parse must hold exactly one error");
  check_error(result.errors().front(), text);
  check_reports(result.errors(), text, source_name);
  return 0;
}

}  // namespace kolvi::fuzz
