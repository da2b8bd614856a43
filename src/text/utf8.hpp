// UTF-8: decoding and encoding single characters, and validating whole texts.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace kolvi::utf8 {

struct Decoded {
  char32_t code_point;
  std::size_t length;  // bytes, 1 to 4
};

// Decodes the character starting at `pos` of text that is valid UTF-8.
constexpr Decoded decode(std::string_view text, std::size_t pos) noexcept {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[pos + i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return {lead, 1};
  if (lead < 0xE0) return {static_cast<char32_t>(((lead & 0x1F) << 6) | (byte(1) & 0x3F)), 2};
  if (lead < 0xF0) {
    return {
        static_cast<char32_t>(((lead & 0x0F) << 12) | ((byte(1) & 0x3F) << 6) | (byte(2) & 0x3F)),
        3};
  }
  return {static_cast<char32_t>(((lead & 0x07) << 18) | ((byte(1) & 0x3F) << 12)
                                | ((byte(2) & 0x3F) << 6) | (byte(3) & 0x3F)),
          4};
}

// Writes the UTF-8 encoding of `c` at `out` and returns the position after it.
inline char* encode(char32_t c, char* out) noexcept {
  if (c < 0x80) {
    *out++ = static_cast<char>(c);
  } else if (c < 0x800) {
    *out++ = static_cast<char>(0xC0 | (c >> 6));
    *out++ = static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    *out++ = static_cast<char>(0xE0 | (c >> 12));
    *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (c & 0x3F));
  } else {
    *out++ = static_cast<char>(0xF0 | (c >> 18));
    *out++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

// Appends the UTF-8 encoding of `c`.
template <class String>
void append(String& out, char32_t c) {
  char bytes[4];
  out.append(bytes, static_cast<std::size_t>(encode(c, bytes) - bytes));
}

// The first ill-formed sequence of a text, as a UTF-8 decoder reports it.
struct Fault {
  std::size_t valid_up_to = 0;  // bytes before the sequence, all well-formed
  std::size_t length = 0;       // bytes of the sequence that are wrong; 0: the text ends inside it
};

// Nothing when `bytes` is well-formed UTF-8 (no surrogates, no overlongs, <= U+10FFFF).
std::optional<Fault> first_fault(std::string_view bytes) noexcept;

inline bool is_valid(std::string_view text) noexcept {
  return !first_fault(text).has_value();
}

}  // namespace kolvi::utf8
