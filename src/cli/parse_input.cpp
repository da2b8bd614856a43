// The complaints about invalid inputs, as text or as JSON objects.

#include "cli/parse_input.hpp"

#include <stdexcept>

#include "base/decimal.hpp"
#include "cli/json_text.hpp"
#include "diagnostics/label_placement.hpp"
#include "diagnostics/report.hpp"
#include "text/utf8.hpp"

namespace kolvi::cli {

namespace {

constexpr std::string_view kNotUtf8 = "not valid UTF-8";

void append_location(std::string& out, const LineLocation* where) {
  if (where == nullptr) return;
  out += where->name;
  out += ':';
  base::append_decimal(out, where->number);
  out += ": ";
}

// `"file": ..., "line": ...`, both null for a text that is no line of an input.
void append_json_location(std::string& out, const LineLocation* where) {
  out += "{\"file\": ";
  if (where == nullptr) {
    out += "null, \"line\": null";
    return;
  }
  append_json_string(out, where->name);
  out += ", \"line\": ";
  base::append_decimal(out, where->number);
}

// An expected item as the message writes it: a character quoted, a rule by its label.
std::string expected_text(const version::ExpectedItem& item) {
  using What = version::ExpectedItem::What;
  switch (item.what) {
    case What::character: {
      std::string quoted = "'";
      utf8::append(quoted, item.character);
      quoted += '\'';
      return quoted;
    }
    case What::label:
      return std::string(item.label);
    case What::end_of_input:
      break;
  }
  return "end of input";
}

void append_json_found(std::string& out, const version::ParseError& error) {
  if (!error.found) {
    out += "null";
    return;
  }
  std::string found;
  utf8::append(found, *error.found);
  append_json_string(out, found);
}

void append_json_expected(std::string& out, const version::ParseError& error) {
  out += '[';
  for (std::size_t i = 0; i < error.expected.size(); ++i) {
    if (i > 0) out += ", ";
    append_json_string(out, expected_text(error.expected[i]));
  }
  out += ']';
}

// The report a program reads has no colour, whatever the terminal would get.
std::string uncoloured_report(std::span<const version::ParseError> errors, std::string_view text,
                              std::string_view source_name) {
  std::string report;
  try {
    diagnostics::append_uncoloured_report(report, errors, text, source_name);
  } catch (const std::length_error& failure) {
    report = "Failed to write error to string: ";
    report += failure.what();
  }
  return report;
}

// The grammar fails with one error; the fields describe the first, as the report's frame does.
void append_json_report(std::string& out, std::span<const version::ParseError> errors,
                        std::string_view text, std::string_view source_name,
                        const LineLocation* where) {
  const version::ParseError& error = errors.front();
  const diagnostics::PlacedLabels labels(errors, text);
  append_json_location(out, where);
  out += ", \"class\": ";
  append_json_string(out, source_name);
  out += ", \"column\": ";
  base::append_decimal(out, labels.first().start_column + 1);
  out += ", \"start\": ";
  base::append_decimal(out, error.span.start);
  out += ", \"end\": ";
  base::append_decimal(out, error.span.end);
  out += ", \"found\": ";
  append_json_found(out, error);
  out += ", \"expected\": ";
  append_json_expected(out, error);
  out += ", \"message\": ";
  append_json_string(out, error.message());
  out += ", \"report\": ";
  append_json_string(out, uncoloured_report(errors, text, source_name));
  out += "}\n";
}

}  // namespace

void append_not_utf8(std::string& out, const LineLocation* where, ReportFormat format) {
  if (format == ReportFormat::json) {
    append_json_location(out, where);
    out += ", \"error\": ";
    append_json_string(out, kNotUtf8);
    out += "}\n";
    return;
  }
  append_location(out, where);
  out += "Error: ";
  out += kNotUtf8;
  out += '\n';
}

void append_report(std::string& out, std::span<const version::ParseError> errors,
                   std::string_view text, std::string_view source_name, const LineLocation* where,
                   ReportFormat format) {
  if (format == ReportFormat::json) return append_json_report(out, errors, text, source_name, where);
  append_location(out, where);
  diagnostics::append_report_message(out, errors, text, source_name);
}

}  // namespace kolvi::cli
