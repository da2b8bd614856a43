// The framed report of a failed parse, rendered into memory.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "version/parse_error.hpp"

namespace kolvi::diagnostics {

// Reports render the errors the version grammar produces.
using version::ExpectedItem;
using version::ParseError;
using version::Span;

// Renders the framed report of a failed parse. `errors` must not be empty.
std::string render_report(std::span<const ParseError> errors, std::string_view source,
                          std::string_view source_name, bool colour);

// What rendering into memory produced: the bytes, or the description of a failed write.
struct RenderedReport {
  std::string bytes;
  std::optional<std::string> write_error;
};

// Renders into memory, turning a failed write (the text outgrowing a string) into write_error.
RenderedReport render_report_to_memory(std::span<const ParseError> errors, std::string_view source,
                                       std::string_view source_name, bool colour);

// The exception text for a rendering outcome: the bytes themselves, or
// "Failed to write error to string: " / "Invalid UTF-8 string: " and the reason.
std::string message_from_rendered(RenderedReport rendered);

// The text a failed parse raises: the rendered report with the process-wide
// colour decision, or the fallback messages should rendering ever fail.
std::string report_message(std::span<const ParseError> errors, std::string_view source,
                           std::string_view source_name);

}  // namespace kolvi::diagnostics
