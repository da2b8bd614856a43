// Terminal display width of a character, in cells.
#pragma once

namespace kolvi::unicode {

namespace detail {
// Width of a code point from U+0080 up; anything above U+10FFFF counts 1.
int non_ascii_display_width(char32_t c) noexcept;
}  // namespace detail

// Terminal columns: 2 for East Asian Wide/Fullwidth, 0 for Mn, Me, Cf and zero-width characters
// (e.g. U+200B, and Hangul medial/final jamo U+1160-U+11FF are 0 as well), 1 otherwise. Control
// characters count 1, and so does U+00AD SOFT HYPHEN, which terminals draw.
inline int display_width(char32_t c) noexcept {
  return c < 0x80 ? 1 : detail::non_ascii_display_width(c);
}

}  // namespace kolvi::unicode
