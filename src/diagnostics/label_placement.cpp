// Placing labels on their lines. Offsets from the parser are bytes; columns here are characters,
// so input outside ASCII is still underlined at the failing character.
#include "diagnostics/label_placement.hpp"

#include <algorithm>

#include "base/fatal.hpp"
#include "diagnostics/label_colour.hpp"
#include "text/ascii_scan.hpp"
#include "text/display_width.hpp"
#include "text/unicode.hpp"
#include "text/utf8.hpp"

namespace kolvi::diagnostics {

namespace {

constexpr std::size_t kTabWidth = 4;

// Walks `text` up to `column`, summing cells. Runs of ASCII without tabs take one cell a
// character and are skipped whole; columns past the end of the text take one cell each.
void measure_blank_prefix(PlacedLabel& label) noexcept {
  const std::string_view text = label.line.text;
  std::size_t pos = 0;
  std::size_t column = 0;
  std::size_t cells = 0;
  while (column < label.start_column && pos < text.size()) {
    const std::size_t run =
        std::min(text::ascii_end_before(text, pos, '\t', '\t') - pos, label.start_column - column);
    if (run > 0) {
      cells += run;
      column += run;
      pos += run;
      continue;
    }
    const utf8::Decoded decoded = utf8::decode(text, pos);
    cells += cell_width(decoded.code_point, column);
    ++column;
    pos += decoded.length;
  }
  label.start_byte = pos;
  label.blank_cells = cells + (label.start_column - column);
}

void measure_known_widths(PlacedLabel& label) noexcept {
  if (!label.widths_known()) return;
  ColumnWalker walker(label.line.text, label.start_byte);
  for (std::size_t column = label.start_column; column < label.cell_count(); ++column) {
    label.known_widths[column - label.start_column] =
        static_cast<std::uint8_t>(cell_width(walker.next(), column));
  }
}

// ASCII without control characters: one line whose columns are its byte offsets and whose cells
// are all one wide, the common case, placed without walking the text again.
bool is_plain(std::string_view source) noexcept {
  return text::plain_ascii_end(source, 0) == source.size();
}

void place_columns_on_plain_line(PlacedLabel& label, const version::ParseError& error,
                                 std::string_view source) noexcept {
  label.line = SourceLine{1, 0, source};
  label.plain = true;
  label.start_column = error.span.start;
  label.end_column = error.span.end;
  label.start_byte = std::min(error.span.start, source.size());
  label.blank_cells = label.start_column;
  label.known_widths.fill(1);
}

void place_columns(PlacedLabel& label, const version::ParseError& error, std::string_view source) {
  label.line = line_containing(source, error.span.start);
  // Spans may reach past the line text (a found line break) or past the source (end of input).
  const std::string_view from_line = source.substr(label.line.byte_start);
  const std::size_t start = error.span.start - label.line.byte_start;
  label.start_column = count_characters(from_line, start);
  label.end_column = label.start_column
                     + count_characters(from_line.substr(std::min(start, from_line.size())),
                                        error.span.end - error.span.start);
  measure_blank_prefix(label);
  measure_known_widths(label);
}

void place(PlacedLabel& label, const version::ParseError& error, std::string_view source,
           bool plain, int colour_index) {
  if (error.span.start > error.span.end) base::fatal("Label start is after its end");
  label.error = &error;
  if (plain) {
    place_columns_on_plain_line(label, error, source);
  } else {
    place_columns(label, error, source);
  }
  label.arrow_column = arrow_column(label.start_column, label.end_column);
  label.shown = trim_trailing_white_space(label.line.text);
  label.line_number = base::Decimal(label.line.number);
  label.column_number = base::Decimal(label.start_column + 1);
  label.set_colour(colour_index);
}

}  // namespace

void PlacedLabel::set_colour(int colour_index) noexcept {
  char* end = text::write_palette_escape(escape_.data(), static_cast<unsigned>(colour_index));
  escape_size_ = static_cast<std::size_t>(end - escape_.data());
}

PlacedLabels::PlacedLabels(std::span<const version::ParseError> errors, std::string_view source) {
  if (errors.empty()) base::fatal("a report needs at least one parse error");
  const bool plain = is_plain(source);
  LabelColourGenerator colours;
  place(single_, errors.front(), source, plain, colours.next());
  if (errors.size() > 1) {
    several_.resize(errors.size());
    several_.front() = single_;
    for (std::size_t i = 1; i < errors.size(); ++i)
      place(several_[i], errors[i], source, plain, colours.next());
  }
  line_number_width_ = 0;
  for (const PlacedLabel& label : all())
    line_number_width_ = std::max(line_number_width_, label.line_number.size());
}

char32_t ColumnWalker::next() noexcept {
  if (byte_ >= text_.size()) return U' ';
  const utf8::Decoded decoded = utf8::decode(text_, byte_);
  byte_ += decoded.length;
  return decoded.code_point;
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

std::size_t cell_width(char32_t c, std::size_t column) noexcept {
  if (c == U'\t') return kTabWidth - column % kTabWidth;
  if (unicode::is_white_space(c)) return 1;
  return static_cast<std::size_t>(unicode::display_width(c));
}

}  // namespace kolvi::diagnostics
