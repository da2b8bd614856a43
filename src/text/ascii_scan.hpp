// Word-at-a-time scans over bytes. The texts the module handles are mostly ASCII, so they are
// checked eight bytes per step, the last few bytes included, and only the bytes that need a closer
// look are taken one by one.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kolvi::text {

// The first marked byte of a word is its lowest-order marked byte.
static_assert(std::endian::native == std::endian::little, "word scans assume little endian");

namespace word {

inline constexpr std::uint64_t kOnes = 0x0101010101010101;
inline constexpr std::uint64_t kHighBits = 0x8080808080808080;

// Stands in for the bytes past the end of a text: ASCII, printable, and no continuation byte, so
// that no mask below marks it.
inline constexpr unsigned char kFiller = 'A';

inline std::uint64_t load(const char* bytes) noexcept {
  std::uint64_t value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

// Masks with the high bit of each marked byte set. Borrows may mark bytes above a true match, so
// only the lowest marked byte is exact, which is all a scan needs.
inline std::uint64_t non_ascii(std::uint64_t w) noexcept {
  return w & kHighBits;
}
inline std::uint64_t zero_bytes(std::uint64_t w) noexcept {
  return (w - kOnes) & ~w & kHighBits;
}
inline std::uint64_t bytes_equal(std::uint64_t w, unsigned char byte) noexcept {
  return zero_bytes(w ^ (kOnes * byte));
}
// Bytes below `limit`, for limit <= 0x80.
inline std::uint64_t bytes_below(std::uint64_t w, unsigned char limit) noexcept {
  return (w - kOnes * limit) & ~w & kHighBits;
}

// Exact masks, one bit per byte, for classifying ASCII: no carry crosses a byte.
inline constexpr std::uint64_t kLowBits = 0x7F7F7F7F7F7F7F7F;
inline std::uint64_t ascii_bytes(std::uint64_t w) noexcept {
  return ~w & kHighBits;
}
// Among the ASCII bytes, those at or above `low` (low >= 1).
inline std::uint64_t at_least(std::uint64_t w, unsigned char low) noexcept {
  return ((w & kLowBits) + kOnes * (0x80 - low)) & kHighBits;
}
inline std::uint64_t in_range(std::uint64_t w, unsigned char low, unsigned char high) noexcept {
  return at_least(w, low) & ~at_least(w, static_cast<unsigned char>(high + 1));
}
inline std::uint64_t equal_exact(std::uint64_t w, unsigned char byte) noexcept {
  const std::uint64_t diff = w ^ (kOnes * byte);
  return ~(((diff & kLowBits) + kLowBits) | diff) & kHighBits;
}

// UTF-8 continuation bytes (10xxxxxx), counted exactly: one bit per such byte, summed into the
// top byte by the multiply (baseline x86-64 has no population-count instruction).
inline unsigned continuation_count(std::uint64_t w) noexcept {
  const std::uint64_t ones = (w & ~(w << 1) & kHighBits) >> 7;
  return static_cast<unsigned>((ones * kOnes) >> 56);
}

// The bytes from `pos` to the end of `text` (fewer than 8), in the low bytes of a word whose other
// bytes are kFiller. A text of 8 bytes or more is read by one overlapping load.
inline std::uint64_t load_tail(std::string_view text, std::size_t pos) noexcept {
  const std::size_t count = text.size() - pos;
  const std::uint64_t filler = kOnes * kFiller;
  if (count == 0) return filler;
  std::uint64_t value = 0;
  if (text.size() >= 8) {
    value = load(text.data() + text.size() - 8) >> (8 * (8 - count));
  } else {
    // Two loads of 4 bytes that overlap, or for 1 to 3 bytes the first, middle and last byte: all
    // of the bytes, and none past the text.
    const char* bytes = text.data() + pos;
    if (count >= 4) {
      std::uint32_t low;
      std::uint32_t high;
      std::memcpy(&low, bytes, sizeof low);
      std::memcpy(&high, bytes + count - 4, sizeof high);
      value = low | (std::uint64_t{high} << (8 * (count - 4)));
    } else {
      const auto byte_at = [&](std::size_t i) {
        return std::uint64_t{static_cast<unsigned char>(bytes[i])} << (8 * i);
      };
      value = byte_at(0) | byte_at(count / 2) | byte_at(count - 1);
    }
  }
  return value | (filler << (8 * count));
}

}  // namespace word

// The first byte from `pos` on that `marks` marks, or the end of `text`. `marks(word)` returns a
// mask as the word:: masks do, and must not mark kFiller.
template <class Marks>
std::size_t run_end(std::string_view text, std::size_t pos, Marks marks) noexcept {
  for (; pos + 8 <= text.size(); pos += 8) {
    if (const std::uint64_t mask = marks(word::load(text.data() + pos))) {
      return pos + static_cast<std::size_t>(std::countr_zero(mask)) / 8;
    }
  }
  if (const std::uint64_t mask = marks(word::load_tail(text, pos))) {
    return pos + static_cast<std::size_t>(std::countr_zero(mask)) / 8;
  }
  return text.size();
}

#if defined(__SSE2__)
// Sixteen bytes a vector for long runs, where the processor has SSE2 (every x86-64 does):
// `marks(vector)` gives the movemask of the bytes that end the run. Texts shorter than a vector
// are left to the words: the result is then past the end of the text. Scans of the few bytes of
// short texts go to the words directly.
template <class Marks>
std::size_t vector_run_end(std::string_view text, std::size_t& pos, Marks marks) noexcept {
  const auto mask_at = [&](std::size_t at) {
    return static_cast<unsigned>(
        marks(_mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + at))));
  };
  // Four vectors a step with one test for all of them; the step that holds the end of the run is
  // taken again a vector at a time.
  for (; pos + 64 <= text.size(); pos += 64) {
    if ((mask_at(pos) | mask_at(pos + 16) | mask_at(pos + 32) | mask_at(pos + 48)) != 0) break;
  }
  for (; pos + 16 <= text.size(); pos += 16) {
    if (const unsigned mask = mask_at(pos)) {
      return pos + static_cast<std::size_t>(std::countr_zero(mask));
    }
  }
  // The last few bytes of a text of a vector or more: one vector that ends with the text, its
  // bytes before `pos` left out.
  if (pos < text.size() && text.size() >= 16) {
    const std::size_t last = text.size() - 16;
    const unsigned mask = mask_at(last) & (~0U << (pos - last));
    return mask == 0 ? text.size() : last + static_cast<std::size_t>(std::countr_zero(mask));
  }
  return pos == text.size() ? pos : text.size() + 1;
}
#endif

// The end of the ASCII run from `pos`.
inline std::size_t ascii_end(std::string_view text, std::size_t pos) noexcept {
#if defined(__SSE2__)
  if (text.size() - pos >= 16) {
    return vector_run_end(text, pos, [](__m128i bytes) { return _mm_movemask_epi8(bytes); });
  }
#endif
  return run_end(text, pos, [](std::uint64_t w) { return word::non_ascii(w); });
}

// The end of the run from `pos` of printable ASCII and DEL: no control character, nothing past
// ASCII.
inline std::size_t plain_ascii_end(std::string_view text, std::size_t pos) noexcept {
#if defined(__SSE2__)
  if (text.size() - pos >= 16) {
    // Signed bytes: those from 0x80 up are negative, so below 0x20 as well.
    return vector_run_end(text, pos, [](__m128i bytes) {
      return _mm_movemask_epi8(_mm_cmplt_epi8(bytes, _mm_set1_epi8(0x20)));
    });
  }
#endif
  return run_end(text, pos,
                 [](std::uint64_t w) { return word::non_ascii(w) | word::bytes_below(w, 0x20); });
}

// The end of the run from `pos` of ASCII bytes other than `stop` and `other_stop`.
inline std::size_t ascii_end_before(std::string_view text, std::size_t pos, char stop,
                                    char other_stop) noexcept {
  const auto stop_byte = static_cast<unsigned char>(stop);
  const auto other_stop_byte = static_cast<unsigned char>(other_stop);
  return run_end(text, pos, [&](std::uint64_t w) {
    return word::non_ascii(w) | word::bytes_equal(w, stop_byte)
           | word::bytes_equal(w, other_stop_byte);
  });
}

// Characters (bytes other than continuation bytes) in UTF-8 `text`.
inline std::size_t count_code_points(std::string_view text) noexcept {
  std::size_t continuations = 0;
  std::size_t pos = 0;
  for (; pos + 8 <= text.size(); pos += 8)
    continuations += word::continuation_count(word::load(text.data() + pos));
  continuations += word::continuation_count(word::load_tail(text, pos));
  return text.size() - continuations;
}

}  // namespace kolvi::text
