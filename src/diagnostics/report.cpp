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
// One writer lays it out for every sink of text/text_sink.hpp: UTF-8 for append_report, and a
// measure followed by fixed-width code units for ReportText. Runs of plain ASCII in the source
// line and the rows below it are written whole, not character by character.

#include "diagnostics/report.hpp"

#include <algorithm>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <utility>

#include "diagnostics/plain_report.hpp"
#include "text/ascii_scan.hpp"
#include "text/terminal_colour.hpp"
#include "text/text_sink.hpp"
#include "text/unicode.hpp"
#include "text/utf8.hpp"

namespace kolvi::diagnostics {

namespace {

constexpr char32_t kHorizontal = U'─';
constexpr char32_t kVertical = U'│';
constexpr char32_t kFrameTopLeft = U'╭';
constexpr char32_t kFrameBottomRight = U'╯';
constexpr char32_t kLabelCorner = U'╰';
constexpr char32_t kUnderlineArrow = U'┬';

// Arrays rather than views: the sinks write string literals inline.
constexpr auto& kRed = text::kEscape<"31">.bytes;
constexpr auto& kFrameColour = text::kEscape<"38;5;246">.bytes;
constexpr auto& kPlainMarginColour = text::kEscape<"38;5;240">.bytes;
constexpr auto& kSourceColour = text::kEscape<"38;5;249">.bytes;
using text::kReset;

// Writes the report through `sink`. When colour is on, each coloured piece is the escape that
// starts its colour, the piece, and the reset; spaces are never coloured. Colour is a template
// argument and everything is inlined, so that each process runs one straight-line writer whose
// literal parts are immediate stores.
template <class Sink, bool kColour>
class ReportWriter {
 public:
  ReportWriter(Sink sink, std::size_t line_number_width) noexcept
      : sink_(sink), width_(line_number_width) {}

  const Sink& sink() const noexcept { return sink_; }

  void write(const PlacedLabels& labels, std::string_view source_name) {
    write_header();
    write_frame_top(source_name, labels.first());
    write_frame_spacer();
    // Several labels (never produced by this grammar) follow in error order, each under its line.
    const SourceLine* shown_line = nullptr;
    for (const PlacedLabel& label : labels.all()) {
      if (shown_line == nullptr || shown_line->byte_start != label.line.byte_start) {
        write_source_line(label);
        shown_line = &label.line;
      }
      write_underline_row(label);
      write_message_row(label);
    }
    write_closing_line();
  }

 private:
  // An escape is a literal (the fixed colours) or a label's own escape sequence.
  template <std::size_t N>
  [[gnu::always_inline]] void start(const char (&escape)[N]) {
    if constexpr (kColour) sink_.literal(escape);
  }
  [[gnu::always_inline]] void start(std::string_view escape) {
    if constexpr (kColour) sink_.ascii(escape);
  }
  [[gnu::always_inline]] void reset() {
    if constexpr (kColour) sink_.literal(kReset);
  }
  template <class Escape>
  [[gnu::always_inline]] void paint(const Escape& escape, char32_t glyph) {
    start(escape);
    sink_.character(glyph);
    reset();
  }
  template <class Escape, std::size_t N>
  [[gnu::always_inline]] void paint_literal(const Escape& escape, const char (&piece)[N]) {
    start(escape);
    sink_.literal(piece);
    reset();
  }
  // Each character of an ASCII run as a piece of its own.
  [[gnu::always_inline]] void paint_each(std::string_view escape, std::string_view run) {
    if constexpr (kColour) {
      sink_.pieces(escape, run, kReset);
    } else {
      sink_.ascii(run);
    }
  }
  [[gnu::always_inline]] void paint_repeated(std::string_view escape, char32_t glyph,
                                             std::size_t count) {
    if constexpr (kColour) {
      sink_.repeat_pieces(escape, glyph, kReset, count);
    } else {
      sink_.repeat(glyph, count);
    }
  }

  // Only the word is red; the colon and the space after it are plain text.
  [[gnu::always_inline]] void write_header() {
    paint_literal(kRed, "Error");
    sink_.literal(": \n");
  }

  [[gnu::always_inline]] void write_frame_top(std::string_view source_name,
                                              const PlacedLabel& location) {
    sink_.repeat(U' ', width_ + 2);
    paint(kFrameColour, kFrameTopLeft);
    paint(kFrameColour, kHorizontal);
    paint_literal(kFrameColour, "[");
    sink_.literal(" ");
    sink_.text(source_name);
    sink_.literal(":");
    sink_.ascii(location.line_number.view());
    sink_.literal(":");
    sink_.ascii(location.column_number.view());
    sink_.literal(" ");
    paint_literal(kFrameColour, "]");
    sink_.literal("\n");
  }

  [[gnu::always_inline]] void write_frame_spacer() {
    sink_.repeat(U' ', width_ + 2);
    paint(kFrameColour, kVertical);
    sink_.literal("\n");
  }

  [[gnu::always_inline]] void write_plain_margin() {
    sink_.literal(" ");
    start(kPlainMarginColour);
    sink_.repeat(U' ', width_ + 1);
    sink_.character(kVertical);
    reset();
    sink_.literal(" ");
  }

  [[gnu::always_inline]] void write_source_line(const PlacedLabel& label) {
    sink_.literal(" ");
    start(kFrameColour);
    sink_.repeat(U' ', width_ - label.line_number.size());
    sink_.ascii(label.line_number.view());
    sink_.literal(" ");
    sink_.character(kVertical);
    reset();
    sink_.literal(" ");

    // White space becomes plain spaces; every other character is a piece of its own. With colour
    // on, spaces end the runs as well, since they are written without colour.
    const std::string_view shown = label.shown;
    if (!kColour && label.plain) {
      sink_.ascii(shown);
      sink_.literal("\n");
      return;
    }
    constexpr char kRunStop = kColour ? ' ' : '\t';
    for (std::size_t byte = 0, column = 0; byte < shown.size();) {
      const std::size_t run_end = text::ascii_end_before(shown, byte, '\t', kRunStop);
      if (run_end > byte) {
        write_source_run(label, shown.substr(byte, run_end - byte), column);
        column += run_end - byte;
        byte = run_end;
        continue;
      }
      const utf8::Decoded decoded = utf8::decode(shown, byte);
      if (decoded.code_point == U'\t') {
        sink_.repeat(U' ', cell_width(U'\t', column));
      } else if (unicode::is_white_space(decoded.code_point)) {
        sink_.literal(" ");
      } else {
        start(source_colour(label, column));
        sink_.character(decoded.code_point);
        reset();
      }
      ++column;
      byte += decoded.length;
    }
    sink_.literal("\n");
  }

  // An ASCII run starting at `column`, split where the label's colour begins and ends.
  [[gnu::always_inline]] void write_source_run(const PlacedLabel& label, std::string_view run,
                                               std::size_t column) {
    if constexpr (!kColour) {
      sink_.ascii(run);
      return;
    }
    const std::size_t end_column = column + run.size();
    const std::size_t label_start = std::clamp(label.start_column, column, end_column);
    const std::size_t label_end = std::clamp(label.end_column, label_start, end_column);
    paint_each(kSourceColour, run.substr(0, label_start - column));
    paint_each(label.colour_escape(), run.substr(label_start - column, label_end - label_start));
    paint_each(kSourceColour, run.substr(label_end - column));
  }

  static std::string_view source_colour(const PlacedLabel& label, std::size_t column) noexcept {
    return label.covers(column) ? label.colour_escape() : std::string_view(kSourceColour);
  }

  // One cell: its mark in the first position and the mark's tail in the rest. Spaces are written
  // without colour; a cell of width 0 writes nothing.
  [[gnu::always_inline]] void write_cell(const PlacedLabel& label, char32_t mark, char32_t tail,
                                         std::size_t width) {
    if (width == 0) return;
    if (mark == U' ') {
      sink_.literal(" ");
    } else {
      paint(label.colour_escape(), mark);
    }
    if (tail == U' ') {
      sink_.repeat(U' ', width - 1);
    } else {
      paint_repeated(label.colour_escape(), tail, width - 1);
    }
  }

  // The columns before the label are blank in both rows below the source line, so they are one
  // run of spaces; the label's own columns and the two after it go cell by cell.
  template <class CellMarks>
  [[gnu::always_inline]] void write_cells(const PlacedLabel& label, CellMarks marks) {
    sink_.repeat(U' ', label.blank_cells);
    if (label.widths_known()) {
      for (std::size_t column = label.start_column; column < label.cell_count(); ++column) {
        const auto [mark, tail] = marks(column);
        write_cell(label, mark, tail, label.known_widths[column - label.start_column]);
      }
      return;
    }
    ColumnWalker walker(label.line.text, label.start_byte);
    for (std::size_t column = label.start_column; column < label.cell_count(); ++column) {
      const std::size_t width = cell_width(walker.next(), column);
      const auto [mark, tail] = marks(column);
      write_cell(label, mark, tail, width);
    }
  }

  [[gnu::always_inline]] void write_underline_row(const PlacedLabel& label) {
    write_plain_margin();
    write_cells(label, [&](std::size_t column) -> std::pair<char32_t, char32_t> {
      if (column == label.arrow_column) {
        return label.covers(column) ? std::pair{kUnderlineArrow, kHorizontal}
                                    : std::pair{kVertical, U' '};
      }
      return label.covers(column) ? std::pair{kHorizontal, kHorizontal} : std::pair{U' ', U' '};
    });
    sink_.literal("\n");
  }

  [[gnu::always_inline]] void write_message_row(const PlacedLabel& label) {
    write_plain_margin();
    write_cells(label, [&](std::size_t column) -> std::pair<char32_t, char32_t> {
      if (column < label.arrow_column) return {U' ', U' '};
      if (column == label.arrow_column) return {kLabelCorner, kHorizontal};
      return {kHorizontal, kHorizontal};
    });
    sink_.literal(" ");
    label.error->write_message(sink_);
    sink_.literal("\n");
  }

  [[gnu::always_inline]] void write_closing_line() {
    start(kFrameColour);
    sink_.repeat(kHorizontal, width_ + 2);
    sink_.character(kFrameBottomRight);
    reset();
    sink_.literal("\n");
  }

  // Held by value, so that its position can stay in registers while the writer runs.
  Sink sink_;
  std::size_t width_;
};

// The parts of ReportText::length_bound, row by row as ReportWriter writes them. A coloured piece
// is at most an 11-unit escape, one code point and the 4-unit reset; a row's fixed parts are a few
// such pieces, a few literals and its margin.
constexpr std::size_t kPieceBound = 16;
constexpr std::size_t kDecimalBound = 20;
constexpr std::size_t kWidestCell = 4;  // a tab; wide characters take 2

std::size_t row_bound(std::size_t line_number_width) noexcept {
  return 8 * kPieceBound + 2 * line_number_width;
}

// "found", the found item and "expected" take under 64 units ("something else" included); an
// item is its label, a quoted character or "end of input", with its ", " or "or ".
std::size_t message_bound(const ParseError& error) noexcept {
  std::size_t bound = 64;
  for (const ExpectedItem& item : error.expected)
    bound += item.label.size() + 20;
  return bound;
}

template <class Sink>
Sink write_report(Sink sink, const PlacedLabels& labels, std::string_view source_name,
                  bool colour) {
  if (colour) {
    ReportWriter<Sink, true> writer(sink, labels.line_number_width());
    writer.write(labels, source_name);
    return writer.sink();
  }
  ReportWriter<Sink, false> writer(sink, labels.line_number_width());
  writer.write(labels, source_name);
  return writer.sink();
}

template <class Unit>
ReportText::Extent write_units(Unit* out, const PlacedLabels& labels, std::string_view source_name,
                               bool colour) noexcept {
  const text::UnitSink<Unit> sink =
      write_report(text::UnitSink<Unit>(out), labels, source_name, colour);
  return {static_cast<std::size_t>(sink.position() - out), sink.max_code_point()};
}

void append_rendered(std::string& out, const PlacedLabels& labels, std::string_view source_name,
                     bool colour) {
  out.reserve(out.size() + 256 + source_name.size()
              + labels.first().line.text.size() * (colour ? 48 : 4));
  write_report(text::Utf8Sink(out), labels, source_name, colour);
}

// Appends the report when it has the plain shape, sized exactly beforehand; false otherwise.
bool append_plain(std::string& out, std::span<const ParseError> errors, std::string_view source,
                  std::string_view source_name) {
  const PlainReport plain(errors, source, source_name);
  if (!plain.holds()) return false;
  const std::size_t old_size = out.size();
  out.resize(old_size + plain.utf8_size());
  plain.write(out.data() + old_size);
  return true;
}

std::string failed_write_message(std::string_view reason) {
  std::string message = "Failed to write error to string: ";
  message += reason;
  return message;
}

}  // namespace

void append_report(std::string& out, std::span<const ParseError> errors, std::string_view source,
                   std::string_view source_name, bool colour) {
  append_rendered(out, PlacedLabels(errors, source), source_name, colour);
}

void append_uncoloured_report(std::string& out, std::span<const ParseError> errors,
                              std::string_view source, std::string_view source_name) {
  if (append_plain(out, errors, source, source_name)) return;
  append_report(out, errors, source, source_name, false);
}

ReportText::ReportText(std::span<const ParseError> errors, std::string_view source,
                       std::string_view source_name, bool colour)
    : labels_(errors, source), source_name_(source_name), colour_(colour) {}

// Header, frame top (with the source name and two numbers), spacer and closing line; then for each
// label its source line (each byte at most one piece, a tab at most 4 spaces), the underline and
// message rows (the blank run, then cells of at most kWidestCell positions, each at most a piece)
// and the message.
std::size_t ReportText::length_bound() const noexcept {
  const std::size_t row = row_bound(labels_.line_number_width());
  std::size_t bound = 4 * row + source_name_.size() + 2 * kDecimalBound;
  for (const PlacedLabel& label : labels_.all()) {
    const std::size_t label_cells = label.cell_count() - label.start_column;
    bound += 3 * row + kDecimalBound + kPieceBound * label.shown.size()
             + 2 * (label.blank_cells + kWidestCell * kPieceBound * label_cells)
             + message_bound(*label.error);
  }
  return bound;
}

ReportText::Extent ReportText::measure() const noexcept {
  const text::MeasureSink sink = write_report(text::MeasureSink(), labels_, source_name_, colour_);
  return {sink.length(), sink.max_code_point()};
}

ReportText::Extent ReportText::write(std::uint8_t* out) const noexcept {
  return write_units(out, labels_, source_name_, colour_);
}
ReportText::Extent ReportText::write(std::uint16_t* out) const noexcept {
  return write_units(out, labels_, source_name_, colour_);
}
ReportText::Extent ReportText::write(std::uint32_t* out) const noexcept {
  return write_units(out, labels_, source_name_, colour_);
}

void append_report_message(std::string& out, std::span<const ParseError> errors,
                           std::string_view source, std::string_view source_name) {
  const bool colour = text::report_colour_enabled();
  if (!colour && append_plain(out, errors, source, source_name)) return;
  const std::size_t old_size = out.size();
  try {
    append_rendered(out, PlacedLabels(errors, source), source_name, colour);
  } catch (const std::length_error& error) {
    out.resize(old_size);
    out += failed_write_message(error.what());
  }
}

}  // namespace kolvi::diagnostics
