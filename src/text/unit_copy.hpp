// ASCII widened into code units, and runs of one unit: the copies every writer of code units
// makes. Inline, so that a run whose length is known where it is written becomes a store or two.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kolvi::text {

namespace detail {

// Calls step(at) for steps of kStep positions that cover [0, size), the last one overlapping the
// one before it; `size` must be at least kStep.
template <std::size_t kStep, class Step>
inline void cover_with(std::size_t size, Step step) noexcept {
  for (std::size_t at = 0; at + kStep < size; at += kStep)
    step(at);
  step(size - kStep);
}

#if defined(__SSE2__)
// UCS-2, the unit nearly every report is written in, gets vector steps of its own: a report writes
// many short runs, which a compiler's vectorised loop would only reach after checks of its own.
inline __m128i* vector_at(std::uint16_t* out) noexcept {
  return reinterpret_cast<__m128i*>(out);
}

// Widens 16, 8 or 4 bytes a step by interleaving them with zero bytes.
inline std::uint16_t* widen_ascii_ucs2(std::string_view ascii, std::uint16_t* out) noexcept {
  const char* from = ascii.data();
  const std::size_t size = ascii.size();
  const __m128i zero = _mm_setzero_si128();
  if (size >= 16) {
    cover_with<16>(size, [&](std::size_t at) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + at));
      _mm_storeu_si128(vector_at(out + at), _mm_unpacklo_epi8(bytes, zero));
      _mm_storeu_si128(vector_at(out + at + 8), _mm_unpackhi_epi8(bytes, zero));
    });
  } else if (size >= 8) {
    cover_with<8>(size, [&](std::size_t at) {
      const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(from + at));
      _mm_storeu_si128(vector_at(out + at), _mm_unpacklo_epi8(bytes, zero));
    });
  } else if (size >= 4) {
    cover_with<4>(size, [&](std::size_t at) {
      std::int32_t bytes;
      std::memcpy(&bytes, from + at, sizeof bytes);
      _mm_storel_epi64(vector_at(out + at), _mm_unpacklo_epi8(_mm_cvtsi32_si128(bytes), zero));
    });
  } else {
    for (std::size_t i = 0; i < size; ++i)
      out[i] = static_cast<unsigned char>(from[i]);
  }
  return out + size;
}

// Stores 32, 8 or 4 units a step.
inline std::uint16_t* fill_ucs2(std::uint16_t* out, std::size_t count,
                                std::uint16_t unit) noexcept {
  const __m128i units = _mm_set1_epi16(static_cast<short>(unit));
  if (count >= 32) {
    cover_with<32>(count, [&](std::size_t at) {
      for (std::size_t i = 0; i < 32; i += 8)
        _mm_storeu_si128(vector_at(out + at + i), units);
    });
  } else if (count >= 8) {
    cover_with<8>(count, [&](std::size_t at) { _mm_storeu_si128(vector_at(out + at), units); });
  } else if (count >= 4) {
    cover_with<4>(count, [&](std::size_t at) { _mm_storel_epi64(vector_at(out + at), units); });
  } else {
    for (std::size_t i = 0; i < count; ++i)
      out[i] = unit;
  }
  return out + count;
}
#endif

}  // namespace detail

// Writes the ASCII text as code units of type Unit and returns the position after them.
template <class Unit>
inline Unit* widen_ascii(std::string_view ascii, Unit* out) noexcept {
#if defined(__SSE2__)
  if constexpr (std::is_same_v<Unit, std::uint16_t>) return detail::widen_ascii_ucs2(ascii, out);
#endif
  for (std::size_t i = 0; i < ascii.size(); ++i)
    out[i] = static_cast<unsigned char>(ascii[i]);
  return out + ascii.size();
}

// Writes `count` times the unit of `c` and returns the position after them.
template <class Unit>
inline Unit* fill_units(Unit* out, std::size_t count, char32_t c) noexcept {
#if defined(__SSE2__)
  if constexpr (std::is_same_v<Unit, std::uint16_t>) {
    return detail::fill_ucs2(out, count, static_cast<std::uint16_t>(c));
  }
#endif
  const auto unit = static_cast<Unit>(c);
  for (std::size_t i = 0; i < count; ++i)
    out[i] = unit;
  return out + count;
}

}  // namespace kolvi::text
