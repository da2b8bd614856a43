// The report of nearly every failed parse (one failure on a single line of printable ASCII, no
// colour), laid out by arithmetic and written as a few whole copies and fills.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "base/decimal.hpp"
#include "version/parse_error.hpp"

namespace kolvi::diagnostics {

// The text append_report gives without colour, for reports of that shape only: one error, a
// source and a source name of printable ASCII (so the source is one line), and an ASCII message.
// The writer's widths are then all one cell, the line number is 1, and the text's length follows
// from a few sizes, so a caller can size its buffer exactly without a pass over the text.
// `errors`, `source` and `source_name` must outlive this object.
class PlainReport {
 public:
  // The largest code point of every such report (U+2570, the label corner): its text needs
  // 16-bit code units, and all of it fits them.
  static constexpr char32_t kMaxCodePoint = U'╰';

  PlainReport(std::span<const version::ParseError> errors, std::string_view source,
              std::string_view source_name) noexcept
      : source_name_(source_name) {
    if (errors.size() == 1) place(errors.front(), source);
  }

  // Whether the report has the shape above; nothing else may be called when it has not.
  bool holds() const noexcept { return holds_; }

  // Code points, which are also UTF-16 code units: every one lies below U+10000.
  std::size_t length() const noexcept;
  std::size_t utf8_size() const noexcept;

  // Writes exactly length() units or utf8_size() bytes.
  void write(std::uint16_t* out) const noexcept;
  void write(char* out) const noexcept;

 private:
  // Lays out the report of `error` when it has the plain shape. Out of line with few arguments:
  // all of them go in registers.
  void place(const version::ParseError& error, std::string_view source) noexcept;

  // Runs the layout through `out`, which counts the text or writes it.
  template <class Out>
  void lay_out(Out& out) const noexcept;

  const version::ParseError* error_ = nullptr;
  std::string_view source_name_;
  std::uint8_t known_source_name_ = 0;  // which of the grammar's names it is, if any
  std::string_view shown_;              // the source without trailing spaces
  std::size_t start_ = 0;               // the label's columns, which are its byte offsets
  std::size_t end_ = 0;
  std::size_t arrow_ = 0;
  base::Decimal column_{0};  // the frame's column, start_ + 1
  bool holds_ = false;
};

}  // namespace kolvi::diagnostics
