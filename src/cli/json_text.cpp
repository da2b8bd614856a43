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

#if defined(__SSE2__)
// The bytes of the 16 at `at` that need an escape, one bit each, lowest first.
unsigned escape_bits(const char* at) noexcept {
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
  const __m128i control = _mm_cmpeq_epi8(_mm_min_epu8(bytes, _mm_set1_epi8(0x1F)), bytes);
  const __m128i quote = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('"'));
  const __m128i backslash = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\\'));
  return static_cast<unsigned>(
      _mm_movemask_epi8(_mm_or_si128(control, _mm_or_si128(quote, backslash))));
}

// Where the first byte from `from` on that needs an escape is, or the text's size: sixteen bytes
// at a time (every x86-64 has SSE2), the last few through a copy, since most texts written here
// are short (a name, an expected item, a report's line).
std::size_t next_escape(std::string_view text, std::size_t from) noexcept {
  constexpr std::size_t kBlock = 16;
  std::size_t i = from;
  for (; i + kBlock <= text.size(); i += kBlock) {
    if (const unsigned bits = escape_bits(text.data() + i)) {
      return i + static_cast<std::size_t>(std::countr_zero(bits));
    }
  }
  const std::size_t rest = text.size() - i;
  if (rest == 0) return i;
  char block[kBlock] = {};
  std::memcpy(block, text.data() + i, rest);
  const unsigned bits = escape_bits(block) & ((1U << rest) - 1);
  return bits != 0 ? i + static_cast<std::size_t>(std::countr_zero(bits)) : text.size();
}
#else
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

// Where the first byte from `from` on that needs an escape is, or the text's size. Eight bytes
// at a time where the first byte in memory is the lowest of a word.
std::size_t next_escape(std::string_view text, std::size_t from) noexcept {
  std::size_t i = from;
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
#endif

// Writes the escape of `byte` at `at` (at most kLongestEscape bytes) and returns its end.
constexpr std::size_t kLongestEscape = 6;

char* write_escape(char* at, unsigned char byte) noexcept {
  *at++ = '\\';
  if (const char letter = short_escape(byte)) {
    *at++ = letter;
    return at;
  }
  constexpr char kHexDigits[] = "0123456789abcdef";
  *at++ = 'u';
  *at++ = '0';
  *at++ = '0';
  *at++ = kHexDigits[byte >> 4];
  *at++ = kHexDigits[byte & 0xF];
  return at;
}

char* copy_run(char* at, const char* from, std::size_t size) noexcept {
  std::memcpy(at, from, size);
  return at + size;
}

}  // namespace

// The string is written through a pointer into room made beforehand: the text, its quotes and
// a few escapes' worth. Escapes are rare (a report's line feeds, a quote in the input), so the
// room is grown only when one would not fit, by half the text again, which keeps any text at a
// bounded multiple of its size.
void append_json_string(std::string& out, std::string_view text) {
  const std::size_t old_size = out.size();
  std::size_t room = text.size() + 2 + 4 * kLongestEscape;
  out.resize(old_size + room);
  char* at = out.data() + old_size;
  char* limit = at + room;
  *at++ = '"';
  std::size_t start = 0;
  for (std::size_t i = next_escape(text, 0); i < text.size(); i = next_escape(text, start)) {
    at = copy_run(at, text.data() + start, i - start);
    // Left for the rest of the text and the closing quote, besides this escape.
    if (static_cast<std::size_t>(limit - at) < kLongestEscape + (text.size() - i) + 1) {
      const std::size_t written = static_cast<std::size_t>(at - out.data());
      room += text.size() / 2 + 4 * kLongestEscape;
      out.resize(old_size + room);
      at = out.data() + written;
      limit = out.data() + old_size + room;
    }
    at = write_escape(at, static_cast<unsigned char>(text[i]));
    start = i + 1;
  }
  at = copy_run(at, text.data() + start, text.size() - start);
  *at++ = '"';
  out.resize(static_cast<std::size_t>(at - out.data()));
}

}  // namespace kolvi::cli
