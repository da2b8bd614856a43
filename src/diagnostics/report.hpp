// The framed report of a failed parse, rendered into memory.
#pragma once

#include <cstddef>
#include <cstdint>
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

// Appends the framed report of a failed parse, in UTF-8, with colour or without. `errors` must
// not be empty. Throws std::length_error when the text would outgrow a string.
void append_report(std::string& out, std::span<const ParseError> errors, std::string_view source,
                   std::string_view source_name, bool colour);

// Appends the report without colour whatever the process decided, by the plain layout when the
// report has its shape: for readers that never show colour, such as a database's messages.
// Throws std::length_error like append_report.
void append_uncoloured_report(std::string& out, std::span<const ParseError> errors,
                              std::string_view source, std::string_view source_name);

// The report laid out once, then written as code units of a fixed width. A caller that has to size
// its buffer first (a Python str) writes the text straight into it, with no UTF-8 to decode. The
// text is the one append_report gives. `errors` must not be empty and, like `source` and
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

// Appends the text a failed parse of `source` raises: the report with the process-wide colour
// decision, or "Failed to write error to string: " and the reason should it outgrow a string.
// The source and the source name must be valid UTF-8: the report is valid UTF-8 then, and is not
// checked again.
void append_report_message(std::string& out, std::span<const ParseError> errors,
                           std::string_view source, std::string_view source_name);

}  // namespace kolvi::diagnostics
