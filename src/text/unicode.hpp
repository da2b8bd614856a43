// Unicode character properties: XID_Start, XID_Continue, Grapheme_Extend, printable, White_Space.
#pragma once

#include <cstdint>

namespace kolvi::unicode {

namespace detail {

// One bit per ASCII code point: words[0] covers U+0000..U+003F, words[1] U+0040..U+007F.
struct AsciiMask {
  std::uint64_t words[2];
};

constexpr bool ascii_bit(const AsciiMask& mask, char32_t c) noexcept {
  return ((mask.words[c >> 6] >> (c & 63)) & 1U) != 0;
}

// The generated tables static_assert that these agree with the character data.
inline constexpr AsciiMask kAsciiXidStart{{0x0000000000000000, 0x07FFFFFE07FFFFFE}};
inline constexpr AsciiMask kAsciiXidContinue{{0x03FF000000000000, 0x07FFFFFE87FFFFFE}};
inline constexpr AsciiMask kAsciiPrintable{{0xFFFFFFFF00000000, 0x7FFFFFFFFFFFFFFF}};

// Lookups for code points from U+0080 up; anything above U+10FFFF has no property.
bool non_ascii_xid_start(char32_t c) noexcept;
bool non_ascii_xid_continue(char32_t c) noexcept;
bool non_ascii_grapheme_extend(char32_t c) noexcept;
bool non_ascii_printable(char32_t c) noexcept;

}  // namespace detail

// The parser asks per character, so ASCII is answered inline without touching the tables.
inline bool is_xid_start(char32_t c) noexcept {
  return c < 0x80 ? detail::ascii_bit(detail::kAsciiXidStart, c) : detail::non_ascii_xid_start(c);
}

inline bool is_xid_continue(char32_t c) noexcept {
  return c < 0x80 ? detail::ascii_bit(detail::kAsciiXidContinue, c)
                  : detail::non_ascii_xid_continue(c);
}

// No ASCII character extends a grapheme.
inline bool is_grapheme_extend(char32_t c) noexcept {
  return c >= 0x80 && detail::non_ascii_grapheme_extend(c);
}

// False for code points below U+0020, U+007F, and general categories Cc, Cf, Cs, Co, Cn, Zl, Zp,
// Zs (except U+0020 space).
inline bool is_printable(char32_t c) noexcept {
  return c < 0x80 ? detail::ascii_bit(detail::kAsciiPrintable, c) : detail::non_ascii_printable(c);
}

// The White_Space property; reports draw every such character as a plain space.
inline bool is_white_space(char32_t c) noexcept {
  if (c <= 0x20) return c == 0x20 || (c >= 0x09 && c <= 0x0D);
  if (c < 0x85) return false;
  return c == 0x85 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x2028
         || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

}  // namespace kolvi::unicode
