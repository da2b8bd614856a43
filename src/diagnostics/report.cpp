// The framed report of a failed parse:
//
//   Error:
//      ╭─[ <source name>:<line>:<column> ]
//      │
//    1 │ <source line>
//      │     ┬
//      │     ╰── <message>
//   ───╯
//
// Offsets from the parser are bytes; columns here are characters and cells are terminal
// columns, so input outside ASCII is still underlined at the failing character.

#include "diagnostics/report.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/decimal.hpp"
#include "base/fatal.hpp"
#include "diagnostics/colour.hpp"
#include "diagnostics/source_line.hpp"
#include "text/display_width.hpp"
#include "text/painter.hpp"
#include "text/unicode.hpp"
#include "text/utf8.hpp"

namespace kolvi::diagnostics {

namespace {

constexpr std::string_view kHorizontal = "─";
constexpr std::string_view kVertical = "│";
constexpr std::string_view kFrameTopLeft = "╭";
constexpr std::string_view kFrameBottomRight = "╯";
constexpr std::string_view kLabelCorner = "╰";
constexpr std::string_view kUnderlineArrow = "┬";

constexpr std::string_view kRed = "31";
constexpr std::string_view kFrameColour = "38;5;246";
constexpr std::string_view kPlainMarginColour = "38;5;240";
constexpr std::string_view kSourceColour = "38;5;249";

constexpr std::size_t kTabWidth = 4;

using text::Painter;

// A label placed on its line, in character columns counted from 0 at the start of the line.
struct PlacedLabel {
  SourceLine line;
  std::size_t start_column = 0;
  std::size_t end_column = 0;  // exclusive
  std::size_t arrow_column = 0;
  std::string text;
  std::string colour_code;  // "38;5;N"

  bool covers(std::size_t column) const noexcept {
    return column >= start_column && column < end_column;
  }
  // Cells run to the end column + 2, leaving room for an arrow at end of input.
  std::size_t cell_count() const noexcept { return end_column + 2; }
};

PlacedLabel place_label(const ParseError& error, std::string_view source, int colour_index) {
  if (error.span.start > error.span.end) base::fatal("Label start is after its end");
  PlacedLabel label;
  label.line = line_containing(source, error.span.start);
  const std::string_view from_line = source.substr(label.line.byte_start);
  label.start_column = count_characters(from_line, error.span.start - label.line.byte_start);
  label.end_column = count_characters(from_line, error.span.end - label.line.byte_start);
  label.arrow_column = std::max(label.start_column, (label.start_column + label.end_column) / 2);
  label.text = error.message();
  label.colour_code = "38;5;";
  base::append_decimal(label.colour_code, colour_index);
  return label;
}

// Walks a line's characters column by column; columns past its end are single spaces.
class ColumnWalker {
 public:
  explicit ColumnWalker(std::string_view text) noexcept : text_(text) {}

  // The character at the current column, or a space past the end, then advances.
  char32_t next() noexcept {
    ++column_;
    if (byte_ >= text_.size()) return U' ';
    const utf8::Decoded decoded = utf8::decode(text_, byte_);
    byte_ += decoded.length;
    return decoded.code_point;
  }
  // The column of the character returned by the last next().
  std::size_t column() const noexcept { return column_ - 1; }

 private:
  std::string_view text_;
  std::size_t byte_ = 0;
  std::size_t column_ = 0;
};

std::size_t tab_cells(std::size_t column) noexcept {
  return kTabWidth - column % kTabWidth;
}

// Terminal cells the character at `column` takes in the source line and the rows below it.
std::size_t cell_width(char32_t c, std::size_t column) noexcept {
  if (c == U'\t') return tab_cells(column);
  if (unicode::is_white_space(c)) return 1;
  return static_cast<std::size_t>(unicode::display_width(c));
}

std::string_view trim_trailing_white_space(std::string_view text) noexcept {
  std::size_t end = text.size();
  while (end > 0) {
    std::size_t start = end - 1;
    while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80)
      --start;
    if (!unicode::is_white_space(utf8::decode(text, start).code_point)) break;
    end = start;
  }
  return text.substr(0, end);
}

// Only the word is red; the colon and the space after it are plain text.
void write_header(Painter& painter) {
  painter.paint(kRed, "Error");
  painter.plain(": \n");
}

void write_frame_top(Painter& painter, std::size_t width, std::string_view source_name,
                     const PlacedLabel& location) {
  painter.spaces(width + 2);
  painter.paint(kFrameColour, kFrameTopLeft);
  painter.paint(kFrameColour, kHorizontal);
  painter.paint(kFrameColour, "[");
  painter.plain(" ");
  painter.plain(source_name);
  painter.plain(":");
  painter.plain(base::Decimal(location.line.number).view());
  painter.plain(":");
  painter.plain(base::Decimal(location.start_column + 1).view());
  painter.plain(" ");
  painter.paint(kFrameColour, "]");
  painter.plain("\n");
}

void write_frame_spacer(Painter& painter, std::size_t width) {
  painter.spaces(width + 2);
  painter.paint(kFrameColour, kVertical);
  painter.plain("\n");
}

void write_plain_margin(Painter& painter, std::size_t width) {
  painter.plain(" ");
  std::string margin(width + 1, ' ');
  margin += kVertical;
  painter.paint(kPlainMarginColour, margin);
  painter.plain(" ");
}

void write_source_line(Painter& painter, std::size_t width, const PlacedLabel& label) {
  const base::Decimal number(label.line.number);
  std::string margin(width - number.size(), ' ');
  margin += number.view();
  margin += ' ';
  margin += kVertical;
  painter.plain(" ");
  painter.paint(kFrameColour, margin);
  painter.plain(" ");

  const std::string_view shown = trim_trailing_white_space(label.line.text);
  constexpr std::string_view kTabSpaces = "    ";
  static_assert(kTabSpaces.size() == kTabWidth);
  // White space becomes plain spaces without colour; every other character is a piece.
  for (std::size_t byte = 0, column = 0; byte < shown.size(); ++column) {
    const utf8::Decoded decoded = utf8::decode(shown, byte);
    if (decoded.code_point == U'\t') {
      painter.plain(kTabSpaces.substr(0, tab_cells(column)));
    } else if (unicode::is_white_space(decoded.code_point)) {
      painter.plain(' ');
    } else {
      painter.paint(label.covers(column) ? std::string_view(label.colour_code) : kSourceColour,
                    shown.substr(byte, decoded.length));
    }
    byte += decoded.length;
  }
  painter.plain("\n");
}

// One cell: its mark in the first position and the mark's tail in the rest. A space is written
// without colour; a cell of width 0 writes nothing.
void write_cell(Painter& painter, const PlacedLabel& label, std::string_view mark,
                std::string_view tail, std::size_t width) {
  for (std::size_t i = 0; i < width; ++i) {
    const std::string_view glyph = i == 0 ? mark : tail;
    if (glyph == " ") {
      painter.plain(glyph);
    } else {
      painter.paint(label.colour_code, glyph);
    }
  }
}

void write_underline_row(Painter& painter, std::size_t width, const PlacedLabel& label) {
  write_plain_margin(painter, width);
  ColumnWalker walker(label.line.text);
  for (std::size_t column = 0; column < label.cell_count(); ++column) {
    const std::size_t cells = cell_width(walker.next(), column);
    if (column == label.arrow_column) {
      if (label.covers(column)) {
        write_cell(painter, label, kUnderlineArrow, kHorizontal, cells);
      } else {
        write_cell(painter, label, kVertical, " ", cells);
      }
    } else if (label.covers(column)) {
      write_cell(painter, label, kHorizontal, kHorizontal, cells);
    } else {
      write_cell(painter, label, " ", " ", cells);
    }
  }
  painter.plain("\n");
}

void write_message_row(Painter& painter, std::size_t width, const PlacedLabel& label) {
  write_plain_margin(painter, width);
  ColumnWalker walker(label.line.text);
  for (std::size_t column = 0; column < label.cell_count(); ++column) {
    const std::size_t cells = cell_width(walker.next(), column);
    if (column < label.arrow_column) {
      write_cell(painter, label, " ", " ", cells);
    } else if (column == label.arrow_column) {
      write_cell(painter, label, kLabelCorner, kHorizontal, cells);
    } else {
      write_cell(painter, label, kHorizontal, kHorizontal, cells);
    }
  }
  painter.plain(" ");
  painter.plain(label.text);
  painter.plain("\n");
}

void write_closing_line(Painter& painter, std::size_t width) {
  std::string line;
  for (std::size_t i = 0; i < width + 2; ++i)
    line += kHorizontal;
  line += kFrameBottomRight;
  painter.paint(kFrameColour, line);
  painter.plain("\n");
}

std::vector<PlacedLabel> place_labels(std::span<const ParseError> errors, std::string_view source) {
  LabelColourGenerator colours;
  std::vector<PlacedLabel> labels;
  labels.reserve(errors.size());
  for (const ParseError& error : errors) {
    labels.push_back(place_label(error, source, colours.next()));
  }
  return labels;
}

std::string describe(const utf8::Fault& fault) {
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

}  // namespace

std::string render_report(std::span<const ParseError> errors, std::string_view source,
                          std::string_view source_name, bool colour) {
  if (errors.empty()) base::fatal("a report needs at least one parse error");
  const std::vector<PlacedLabel> labels = place_labels(errors, source);
  std::size_t last_line = 0;
  for (const PlacedLabel& label : labels)
    last_line = std::max(last_line, label.line.number);
  const std::size_t width = base::Decimal(last_line).size();

  std::string out;
  out.reserve(256 + source_name.size() + labels.front().line.text.size() * (colour ? 48 : 4));
  Painter painter(out, colour);
  write_header(painter);
  write_frame_top(painter, width, source_name, labels.front());
  write_frame_spacer(painter, width);
  // Several labels (never produced by this grammar) follow in error order, each under its line.
  const SourceLine* shown_line = nullptr;
  for (const PlacedLabel& label : labels) {
    if (shown_line == nullptr || shown_line->byte_start != label.line.byte_start) {
      write_source_line(painter, width, label);
      shown_line = &label.line;
    }
    write_underline_row(painter, width, label);
    write_message_row(painter, width, label);
  }
  write_closing_line(painter, width);
  return out;
}

RenderedReport render_report_to_memory(std::span<const ParseError> errors, std::string_view source,
                                       std::string_view source_name, bool colour) {
  try {
    return {render_report(errors, source, source_name, colour), std::nullopt};
  } catch (const std::length_error& error) {
    return {{}, std::string(error.what())};
  }
}

std::string message_from_rendered(RenderedReport rendered) {
  if (rendered.write_error) return "Failed to write error to string: " + *rendered.write_error;
  if (const std::optional<utf8::Fault> fault = utf8::first_fault(rendered.bytes)) {
    return "Invalid UTF-8 string: " + describe(*fault);
  }
  return std::move(rendered.bytes);
}

std::string report_message(std::span<const ParseError> errors, std::string_view source,
                           std::string_view source_name) {
  return message_from_rendered(
      render_report_to_memory(errors, source, source_name, report_colour_enabled()));
}

}  // namespace kolvi::diagnostics
