// The complaints about invalid inputs, as text or as JSON objects.

#include "cli/parse_input.hpp"

#include <algorithm>
#include <stdexcept>
#include <string_view>

#include "base/decimal.hpp"
#include "cli/json_text.hpp"
#include "diagnostics/label_placement.hpp"
#include "diagnostics/report.hpp"
#include "text/text_sink.hpp"
#include "text/utf8.hpp"

namespace kolvi::cli {

using namespace std::string_view_literals;

namespace {

constexpr std::string_view kNotUtf8 = "not valid UTF-8";

void append_location(std::string& out, const LineLocation* where) {
  if (where == nullptr) return;
  out += where->name;
  out += ':';
  base::append_decimal(out, where->number);
  out += ": "sv;
}

// `"file": ..., "line": ...`, both null for a text that is no line of an input.
void append_json_location(std::string& out, const LineLocation* where) {
  out += "{\"file\": "sv;
  if (where == nullptr) {
    out += "null, \"line\": null"sv;
    return;
  }
  append_json_string(out, where->name);
  out += ", \"line\": "sv;
  base::append_decimal(out, where->number);
}

// Text written before it is escaped into a JSON string, reused line after line so that the
// objects of a run of invalid lines allocate nothing.
thread_local std::string scratch;

// Appends `text` as a JSON string, `write` having written it into the scratch buffer.
template <class Write>
void append_json_written(std::string& out, Write&& write) {
  scratch.clear();
  write(scratch);
  append_json_string(out, scratch);
}

// An expected item as the message writes it: a character quoted, a rule by its label.
void write_expected(std::string& out, const version::ExpectedItem& item) {
  using What = version::ExpectedItem::What;
  switch (item.what) {
    case What::character:
      out += '\'';
      utf8::append(out, item.character);
      out += '\'';
      return;
    case What::label:
      out += item.label;
      return;
    case What::end_of_input:
      out += "end of input"sv;
      return;
  }
}

void append_json_found(std::string& out, const version::ParseError& error) {
  if (!error.found) {
    out += "null"sv;
    return;
  }
  append_json_written(out, [&](std::string& found) { utf8::append(found, *error.found); });
}

void append_json_expected(std::string& out, const version::ParseError& error) {
  out += '[';
  for (std::size_t i = 0; i < error.expected.size(); ++i) {
    if (i > 0) out += ", "sv;
    append_json_written(out, [&](std::string& item) { write_expected(item, error.expected[i]); });
  }
  out += ']';
}

// The report a program reads has no colour, whatever the terminal would get.
void write_uncoloured_report(std::string& out, std::span<const version::ParseError> errors,
                             std::string_view text, std::string_view source_name) {
  try {
    diagnostics::append_uncoloured_report(out, errors, text, source_name);
  } catch (const std::length_error& failure) {
    out = "Failed to write error to string: ";
    out += failure.what();
  }
}

// The column the report's frame shows: on a line of ASCII characters that are not line breaks
// (nearly every version) the byte offset, otherwise what the report's placement finds.
std::size_t report_column(std::span<const version::ParseError> errors, std::string_view text) {
  const std::string_view before = text.substr(0, errors.front().span.start);
  const bool plain = std::all_of(before.begin(), before.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x80 && c != '\n' && c != '\r' && c != '\v' && c != '\f';
  });
  if (plain) return before.size() + 1;
  return diagnostics::PlacedLabels(errors, text).first().start_column + 1;
}

// The grammar fails with one error; the fields describe the first, as the report's frame does.
void append_json_report(std::string& out, std::span<const version::ParseError> errors,
                        std::string_view text, std::string_view source_name,
                        const LineLocation* where) {
  const version::ParseError& error = errors.front();
  append_json_location(out, where);
  out += ", \"class\": "sv;
  append_json_string(out, source_name);
  out += ", \"column\": "sv;
  base::append_decimal(out, report_column(errors, text));
  out += ", \"start\": "sv;
  base::append_decimal(out, error.span.start);
  out += ", \"end\": "sv;
  base::append_decimal(out, error.span.end);
  out += ", \"found\": "sv;
  append_json_found(out, error);
  out += ", \"expected\": "sv;
  append_json_expected(out, error);
  out += ", \"message\": "sv;
  append_json_written(out, [&](std::string& message) {
    text::Utf8Sink sink(message);
    error.write_message(sink);
  });
  out += ", \"report\": "sv;
  append_json_written(out, [&](std::string& report) {
    write_uncoloured_report(report, errors, text, source_name);
  });
  out += "}\n"sv;
}

}  // namespace

void append_not_utf8(std::string& out, const LineLocation* where, ReportFormat format) {
  if (format == ReportFormat::json) {
    append_json_location(out, where);
    out += ", \"error\": "sv;
    append_json_string(out, kNotUtf8);
    out += "}\n"sv;
    return;
  }
  append_location(out, where);
  out += "Error: "sv;
  out += kNotUtf8;
  out += '\n';
}

void append_report(std::string& out, std::span<const version::ParseError> errors,
                   std::string_view text, std::string_view source_name, const LineLocation* where,
                   ReportFormat format) {
  if (format == ReportFormat::json)
    return append_json_report(out, errors, text, source_name, where);
  append_location(out, where);
  diagnostics::append_report_message(out, errors, text, source_name);
}

}  // namespace kolvi::cli
