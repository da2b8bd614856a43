// The report entry points that only the tests, the fuzz checks and the C++ bench use: the whole
// report as a string, the outcome of rendering into memory, and the exception text with every
// fallback the message has (a text that outgrows a string, a report that is not UTF-8).
#pragma once

#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "base/decimal.hpp"
#include "diagnostics/report.hpp"
#include "text/utf8.hpp"
#include "version/parse_error.hpp"

namespace kolvi::diagnostics {

// The framed report of a failed parse. `errors` must not be empty.
inline std::string render_report(std::span<const version::ParseError> errors,
                                 std::string_view source, std::string_view source_name,
                                 bool colour) {
  std::string out;
  append_report(out, errors, source, source_name, colour);
  return out;
}

// What rendering into memory produced: the bytes, or the description of a failed write.
struct RenderedReport {
  std::string bytes;
  std::optional<std::string> write_error;
};

// Renders into memory, turning a failed write (the text outgrowing a string) into write_error.
inline RenderedReport render_report_to_memory(std::span<const version::ParseError> errors,
                                              std::string_view source, std::string_view source_name,
                                              bool colour) {
  try {
    return {render_report(errors, source, source_name, colour), std::nullopt};
  } catch (const std::length_error& error) {
    return {{}, std::string(error.what())};
  }
}

inline std::string describe(const utf8::Fault& fault) {
  if (fault.length == 0) {
    std::string text = "incomplete utf-8 byte sequence from index ";
    base::append_decimal(text, fault.valid_up_to);
    return text;
  }
  std::string text = "invalid utf-8 sequence of ";
  base::append_decimal(text, fault.length);
  text += " bytes from index ";
  base::append_decimal(text, fault.valid_up_to);
  return text;
}

// The exception text for a rendering outcome: the bytes themselves, or
// "Failed to write error to string: " / "Invalid UTF-8 string: " and the reason.
inline std::string message_from_rendered(RenderedReport rendered) {
  if (rendered.write_error) return "Failed to write error to string: " + *rendered.write_error;
  if (const std::optional<utf8::Fault> fault = utf8::first_fault(rendered.bytes)) {
    return "Invalid UTF-8 string: " + describe(*fault);
  }
  return std::move(rendered.bytes);
}

// The text a failed parse raises, as a string of its own.
inline std::string report_message(std::span<const version::ParseError> errors,
                                  std::string_view source, std::string_view source_name) {
  std::string out;
  append_report_message(out, errors, source, source_name);
  return out;
}

}  // namespace kolvi::diagnostics
