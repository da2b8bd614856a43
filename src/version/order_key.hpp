// Order keys for sorting: 64 bits whose unsigned order agrees with the order of the values, so
// most comparisons of a sort never look at the values again.
//
// Layout, from the top: the kind rank (2 bits), then as much of the value's order code as fits
// (61 bits, zero-filled), then a bit that is set when the whole code fitted. The order code of a
// value is a bit string that no other code starts with and whose bit order is the value order:
//
//   SemVer        each number as its bit length (6 bits) and its bits below the leading one;
//                 then 1 when rc is absent, or 0 and the rc identifiers as characters
//   DotSeparated  the parts as characters
//   Other         the value's bytes, then a zero byte
//
// where "as characters" writes each byte in 7 bits, each '.' between identifiers as 1 and the end
// as 0: every identifier character is above '.', so a separator must sort below all of them.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>

#include "version/version.hpp"

namespace kolvi::version {

std::uint64_t order_key(const SemVer& value) noexcept;
std::uint64_t order_key(const DotSeparated& value) noexcept;
std::uint64_t order_key(const Other& value) noexcept;
std::uint64_t order_key(const Version& value) noexcept;

// Whether the whole order code fitted. Two keys that differ order like their values; equal
// whole keys mean equal values; only equal keys that were cut short need the values.
inline bool key_is_whole(std::uint64_t key) noexcept {
  return (key & 1) != 0;
}

// The order of two keys, or nothing when only the values can tell.
inline std::optional<std::strong_ordering> compare_keys(std::uint64_t a, std::uint64_t b) noexcept {
  if (a != b) return a <=> b;
  if (key_is_whole(a)) return std::strong_ordering::equal;
  return std::nullopt;
}

}  // namespace kolvi::version
