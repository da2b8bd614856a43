// The messages of invalid inputs.

#include "cli/parse_input.hpp"

#include "base/decimal.hpp"
#include "diagnostics/report.hpp"

namespace kolvi::cli {

namespace {

void append_location(std::string& out, const LineLocation* where) {
  if (where == nullptr) return;
  out += where->name;
  out += ':';
  base::append_decimal(out, where->number);
  out += ": ";
}

}  // namespace

void append_not_utf8(std::string& out, const LineLocation* where) {
  append_location(out, where);
  out += "Error: not valid UTF-8\n";
}

void append_report(std::string& out, std::span<const version::ParseError> errors,
                   std::string_view text, std::string_view source_name, const LineLocation* where) {
  append_location(out, where);
  diagnostics::append_report_message(out, errors, text, source_name);
}

}  // namespace kolvi::cli
