// Escaping of JSON strings.

#include "cli/json_text.hpp"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kolvi::cli {

namespace {

// The short escape of a byte that JSON gives one, or 0.
constexpr char short_escape(unsigned char byte) noexcept {
  switch (byte) {
    case '"':
      return '"';
    case '\\':
      return '\\';
    case '\b':
      return 'b';
    case '\f':
      return 'f';
    case '\n':
      return 'n';
    case '\r':
      return 'r';
    case '\t':
      return 't';
    default:
      return 0;
  }
}

constexpr bool needs_escape(unsigned char byte) noexcept {
  return byte < 0x20 || byte == '"' || byte == '\\';
}

// The bytes of `word` that need an escape, each as its high bit, by the usual tests for a zero
// byte and for a byte below 0x20, which a byte from 0x80 up never passes. A borrow can flag a
// byte above one that is rightly flagged, never the lowest flagged one.
constexpr std::uint64_t escape_mask(std::uint64_t word) noexcept {
  constexpr std::uint64_t kOnes = 0x0101010101010101;
  constexpr std::uint64_t kHighs = 0x8080808080808080;
  const auto zero_bytes = [](std::uint64_t v) { return (v - kOnes) & ~v & kHighs; };
  const std::uint64_t control = (word - 0x20 * kOnes) & ~word & kHighs;
  return control | zero_bytes(word ^ ('"' * kOnes)) | zero_bytes(word ^ ('\\' * kOnes));
}

// Where the first byte from `from` on that needs an escape is, or the text's size: sixteen bytes
// at a time with SSE2 (every x86-64 has it), else eight at a time where the first byte in memory
// is the lowest of a word. Reports are long runs with a line feed every few dozen bytes.
std::size_t next_escape(std::string_view text, std::size_t from) noexcept {
  std::size_t i = from;
#if defined(__SSE2__)
  const __m128i quote = _mm_set1_epi8('"');
  const __m128i backslash = _mm_set1_epi8('\\');
  const __m128i last_control = _mm_set1_epi8(0x1F);
  for (; i + 16 <= text.size(); i += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
    const __m128i control = _mm_cmpeq_epi8(_mm_min_epu8(bytes, last_control), bytes);
    const __m128i flagged = _mm_or_si128(
        control, _mm_or_si128(_mm_cmpeq_epi8(bytes, quote), _mm_cmpeq_epi8(bytes, backslash)));
    if (const int mask = _mm_movemask_epi8(flagged)) {
      return i + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(mask)));
    }
  }
#endif
  if constexpr (std::endian::native == std::endian::little) {
    for (std::uint64_t word = 0; i + sizeof word <= text.size(); i += sizeof word) {
      std::memcpy(&word, text.data() + i, sizeof word);
      if (const std::uint64_t mask = escape_mask(word)) {
        return i + static_cast<std::size_t>(std::countr_zero(mask)) / 8;
      }
    }
  }
  while (i < text.size() && !needs_escape(static_cast<unsigned char>(text[i])))
    ++i;
  return i;
}

void append_escape(std::string& out, unsigned char byte) {
  if (const char letter = short_escape(byte)) {
    out += '\\';
    out += letter;
    return;
  }
  constexpr char kHexDigits[] = "0123456789abcdef";
  out += "\\u00";
  out += kHexDigits[byte >> 4];
  out += kHexDigits[byte & 0xF];
}

}  // namespace

// Runs that need no escape (nearly all of a report) go out whole.
void append_json_string(std::string& out, std::string_view text) {
  out.reserve(out.size() + text.size() + 2);
  out += '"';
  std::size_t start = 0;
  for (std::size_t i = next_escape(text, 0); i < text.size(); i = next_escape(text, start)) {
    out.append(text, start, i - start);
    append_escape(out, static_cast<unsigned char>(text[i]));
    start = i + 1;
  }
  out.append(text, start, text.size() - start);
  out += '"';
}

}  // namespace kolvi::cli
