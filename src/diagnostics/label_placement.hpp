// Where each label of a report sits: its line, its columns, its colour, and the cells before it.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "base/decimal.hpp"
#include "diagnostics/source_line.hpp"
#include "text/terminal_colour.hpp"
#include "version/parse_error.hpp"

namespace kolvi::diagnostics {

// The column of a label's arrow: the middle of its span, rounded down, and never before it.
inline std::size_t arrow_column(std::size_t start, std::size_t end) noexcept {
  return std::max(start, (start + end) / 2);
}

// Columns are characters counted from 0 at the start of the label's line; cells are terminal
// columns. Everything the report's writer would otherwise work out on each pass is kept here.
struct PlacedLabel {
  // Cells whose widths are kept: a label over up to kKnownCells - 2 columns, and the 2 after it.
  static constexpr std::size_t kKnownCells = 8;

  const version::ParseError* error = nullptr;
  SourceLine line;
  std::string_view shown;  // the line text without trailing white space
  bool plain = false;      // the line is ASCII without control characters
  base::Decimal line_number{0};
  base::Decimal column_number{0};  // start_column + 1, for the frame
  std::size_t start_column = 0;
  std::size_t end_column = 0;  // exclusive
  std::size_t arrow_column = 0;
  // Where start_column begins in line.text (its size when past the end), and the cells that the
  // columns before it take: the underline and message rows write those as one run of spaces.
  std::size_t start_byte = 0;
  std::size_t blank_cells = 0;
  // The widths of the cells from start_column on, when there are at most kKnownCells of them.
  std::array<std::uint8_t, kKnownCells> known_widths{};

  bool covers(std::size_t column) const noexcept {
    return column >= start_column && column < end_column;
  }
  // Cells run to the end column + 2, leaving room for an arrow at end of input.
  std::size_t cell_count() const noexcept { return end_column + 2; }
  bool widths_known() const noexcept { return cell_count() - start_column <= kKnownCells; }
  // The escape sequence that starts the label's colour.
  std::string_view colour_escape() const noexcept { return {escape_.data(), escape_size_}; }
  void set_colour(int colour_index) noexcept;

 private:
  std::array<char, text::kPaletteEscapeCapacity> escape_{};
  std::size_t escape_size_ = 0;
};

// The labels of a report, one per parse error and in error order, with the first label's colour
// the first colour of a fresh generator. One label (all the grammar produces) needs no allocation.
class PlacedLabels {
 public:
  // `errors` must not be empty and must outlive the placement.
  PlacedLabels(std::span<const version::ParseError> errors, std::string_view source);

  std::span<const PlacedLabel> all() const noexcept {
    return several_.empty() ? std::span<const PlacedLabel>(&single_, 1)
                            : std::span<const PlacedLabel>(several_);
  }
  const PlacedLabel& first() const noexcept { return all().front(); }
  // Decimal digits of the last line number shown.
  std::size_t line_number_width() const noexcept { return line_number_width_; }

 private:
  PlacedLabel single_;
  std::vector<PlacedLabel> several_;
  std::size_t line_number_width_ = 1;
};

// Cells the character at `column` takes in the source line and the rows below it: a tab reaches
// the next multiple of 4, other white space takes 1, anything else its display width.
std::size_t cell_width(char32_t c, std::size_t column) noexcept;

// Walks a line's characters column by column from a given byte; columns past its end are single
// spaces.
class ColumnWalker {
 public:
  ColumnWalker(std::string_view text, std::size_t byte) noexcept : text_(text), byte_(byte) {}

  // The character at the current column, or a space past the end, then advances.
  char32_t next() noexcept;

 private:
  std::string_view text_;
  std::size_t byte_;
};

// `text` without trailing white space.
std::string_view trim_trailing_white_space(std::string_view text) noexcept;

}  // namespace kolvi::diagnostics
