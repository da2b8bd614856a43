// The framed report of a failed parse, rendered into memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "diagnostics/label_placement.hpp"
#include "version/parse_error.hpp"

namespace kolvi::diagnostics {

// Reports render the errors the version grammar produces.
using version::ExpectedItem;
using version::ParseError;
using version::Span;

// Renders the framed report of a failed parse. `errors` must not be empty.
std::string render_report(std::span<const ParseError> errors, std::string_view source,
                          std::string_view source_name, bool colour);

// The report laid out once, then written as code units of a fixed width. A caller that has to size
// its buffer first (a Python str) writes the text straight into it, with no UTF-8 to decode. The
// text is the one render_report gives. `errors` must not be empty and, like `source` and
// `source_name`, must outlive this object; source and source name must be valid UTF-8.
class ReportText {
 public:
  ReportText(std::span<const ParseError> errors, std::string_view source,
             std::string_view source_name, bool colour);

  // The text's length in code points, and its largest code point with ASCII counting as U+007F:
  // what decides the narrowest code unit that holds it.
  struct Extent {
    std::size_t length = 0;
    char32_t max_code_point = 0;
  };

  // At least length(), from the placement alone: a buffer this long surely holds the text.
  std::size_t length_bound() const noexcept;
  // Lays the text out without writing it.
  Extent measure() const noexcept;
  // Writes the whole text, which `out` must have room for; every code point must fit the unit.
  Extent write(std::uint8_t* out) const noexcept;
  Extent write(std::uint16_t* out) const noexcept;
  Extent write(std::uint32_t* out) const noexcept;

 private:
  PlacedLabels labels_;
  std::string_view source_name_;
  bool colour_;
};

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

// Appends report_message's text for `errors` from a parse of `source`, with the source and the
// source name valid UTF-8: the report is valid UTF-8 then, and is not checked again.
void append_report_message(std::string& out, std::span<const ParseError> errors,
                           std::string_view source, std::string_view source_name);

}  // namespace kolvi::diagnostics
