// The parse of one input on the command line, which either yields the value or says why the
// input is invalid, exactly as the Python classes would.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "text/utf8.hpp"
#include "version/version.hpp"

namespace kolvi::cli {

// Where an input line came from. Its messages begin with "NAME:LINE: ".
struct LineLocation {
  std::string_view name;
  std::size_t number = 0;  // counted from 1
};

// How the complaint about an invalid input is written: the report the Python class would raise,
// after the input's location; or one JSON object on a line of its own (docs/cli.md has the
// schema), whose fields say the same for programs.
enum class ReportFormat : std::uint8_t { text, json };

// Appends the complaint about an input that is not valid UTF-8.
void append_not_utf8(std::string& out, const LineLocation* where,
                     ReportFormat format = ReportFormat::text);

// Appends the complaint about a failed parse of `text`, which is valid UTF-8.
void append_report(std::string& out, std::span<const version::ParseError> errors,
                   std::string_view text, std::string_view source_name, const LineLocation* where,
                   ReportFormat format = ReportFormat::text);

// parse_input for text already known to be valid UTF-8.
template <class Target>
std::optional<typename Target::Value> parse_utf8_input(std::string_view text,
                                                       const LineLocation* where,
                                                       std::string& complaint,
                                                       ReportFormat format = ReportFormat::text) {
  auto result = Target::parse(text);
  if (result.ok()) return std::move(result.value());
  append_report(complaint, result.errors(), text, Target::source_name, where, format);
  return std::nullopt;
}

// The value of `text` as Target parses it, or nothing after appending to `complaint` why it is
// invalid. `where` is null for texts that are not lines of an input (command-line operands).
template <class Target>
std::optional<typename Target::Value> parse_input(std::string_view text, const LineLocation* where,
                                                  std::string& complaint,
                                                  ReportFormat format = ReportFormat::text) {
  // The Python classes only ever see text, so bytes that are not UTF-8 get no report.
  if (!utf8::is_valid(text)) {
    append_not_utf8(complaint, where, format);
    return std::nullopt;
  }
  return parse_utf8_input<Target>(text, where, complaint, format);
}

// check_input for text already known to be valid UTF-8.
template <class Target>
bool check_utf8_input(std::string_view text, const LineLocation* where, std::string& complaint,
                      ReportFormat format = ReportFormat::text) {
  const version::ParseResult<void> result = Target::check(text);
  if (result.ok()) return true;
  append_report(complaint, result.errors(), text, Target::source_name, where, format);
  return false;
}

// Whether Target accepts `text`, with the same complaint as parse_input when it does not; no
// value is built, so a line costs nothing beyond its own bytes whatever its shape.
template <class Target>
bool check_input(std::string_view text, const LineLocation* where, std::string& complaint,
                 ReportFormat format = ReportFormat::text) {
  if (!utf8::is_valid(text)) {
    append_not_utf8(complaint, where, format);
    return false;
  }
  return check_utf8_input<Target>(text, where, complaint, format);
}

}  // namespace kolvi::cli
