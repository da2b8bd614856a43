// The line of a report's source that holds a failure, and character counting within it.
#pragma once

#include <cstddef>
#include <string_view>

namespace kolvi::diagnostics {

// One line of a report's source text, without its line break.
struct SourceLine {
  std::size_t number = 1;      // counted from 1
  std::size_t byte_start = 0;  // offset of the line's first byte in the source
  std::string_view text;
};

// The line holding the byte at `byte_offset`; an offset on a line break or past the end of the
// source belongs to the line before it. Breaks are LF, CR, CR LF, VT, FF, U+0085, U+2028, U+2029.
SourceLine line_containing(std::string_view source, std::size_t byte_offset) noexcept;

// Characters in the first `byte_count` bytes of `text`; bytes past its end count one each.
std::size_t count_characters(std::string_view text, std::size_t byte_count) noexcept;

}  // namespace kolvi::diagnostics
