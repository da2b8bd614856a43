// Splitting a report's source into lines, and counting characters within a line.
#include "diagnostics/source_line.hpp"

#include <algorithm>
#include <cstdint>

#include "text/ascii_scan.hpp"

namespace kolvi::diagnostics {

namespace {

// Length in bytes of the line break starting at `pos`, or 0 when there is none.
std::size_t break_length(std::string_view source, std::size_t pos) noexcept {
  const auto byte = [&](std::size_t i) {
    return pos + i < source.size() ? static_cast<unsigned char>(source[pos + i]) : 0U;
  };
  switch (byte(0)) {
    case '\n':
    case '\v':
    case '\f':
      return 1;
    case '\r':
      return byte(1) == '\n' ? 2 : 1;
    case 0xC2:
      return byte(1) == 0x85 ? 2 : 0;
    case 0xE2:
      return byte(1) == 0x80 && (byte(2) == 0xA8 || byte(2) == 0xA9) ? 3 : 0;
    default:
      return 0;
  }
}

// The first byte from `pos` that may begin a line break: any byte below 0x0E (LF, VT, FF and CR
// among them) or outside ASCII; break_length tells which of them really do.
std::size_t next_break_candidate(std::string_view source, std::size_t pos) noexcept {
  return text::run_end(source, pos, [](std::uint64_t w) {
    return text::word::non_ascii(w) | text::word::bytes_below(w, 0x0E);
  });
}

}  // namespace

SourceLine line_containing(std::string_view source, std::size_t byte_offset) noexcept {
  SourceLine line;
  for (std::size_t pos = next_break_candidate(source, 0); pos < source.size();
       pos = next_break_candidate(source, pos)) {
    const std::size_t length = break_length(source, pos);
    if (length == 0) {
      ++pos;
      continue;
    }
    if (byte_offset < pos + length) {
      line.text = source.substr(line.byte_start, pos - line.byte_start);
      return line;
    }
    pos += length;
    line.byte_start = pos;
    ++line.number;
  }
  line.text = source.substr(line.byte_start);
  return line;
}

std::size_t count_characters(std::string_view text, std::size_t byte_count) noexcept {
  const std::size_t inside = std::min(byte_count, text.size());
  return text::count_code_points(text.substr(0, inside)) + (byte_count - inside);
}

}  // namespace kolvi::diagnostics
