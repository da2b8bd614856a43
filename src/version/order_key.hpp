// Order keys: 64 bits whose unsigned order agrees with the order of the values, so most
// comparisons of a sort never look at the values again.
//
// Layout, from the top: the kind rank (kRankBits, two bits for the three kinds), then as much of
// the value's order code as fits (61 bits, zero-filled), then a bit that is set when the whole
// code fitted. The order code of a
// value is a bit string that no other code starts with and whose bit order is the value order:
//
//   SemVer        each number as its bit length (6 bits) and its bits below the leading one;
//                 then 1 when rc is absent, else 0 and rc as a list
//   DotSeparated  the parts as a list
//   Other         the value's bytes as symbols, then the end symbol
//
// A list is 0 when empty, else 1 and its texts' bytes as symbols, a separator symbol between
// texts and the end symbol after the last. Symbols are 7 bits: the end 0, the separator 1,
// printable ASCII bytes as themselves, lower bytes as 2 and 5 bits, higher bytes as 127 and
// 8 bits. So the end sorts below a separator, and a separator below every byte: a list that ends
// sorts below a longer one, and a text that ends below a longer one, for any bytes at all.
//
// A key is never 0, so 0 can mean "not computed yet": a whole key has its low bit set, a
// DotSeparated or Other key a rank bit, and a SemVer code has a set bit within its first 20
// (a number's nonzero bit length, an absent rc, a non-empty rc) unless it is 20 bits long and so
// whole. A kind's key is the same alone and inside a Version.
#pragma once

#include <bit>
#include <compare>
#include <cstdint>
#include <optional>
#include <type_traits>

#include "version/version.hpp"

namespace kolvi::version {

std::uint64_t order_key(const SemVer& value) noexcept;
std::uint64_t order_key(const DotSeparated& value) noexcept;
std::uint64_t order_key(const Other& value) noexcept;
std::uint64_t order_key(const Version& value) noexcept;

// The top bits of a key hold the kind rank: as few as hold every rank.
inline constexpr unsigned kRankBits = static_cast<unsigned>(std::bit_width(kKindCount - 1));
static_assert(kRankBits >= 1 && kRankBits <= 4, "the kinds must leave most of a key to the code");

// A kind without an order code of its own: its rank alone, cut short, so that kinds still sort
// by rank and two of its values always go on to compare the values themselves. Right for any
// kind; a code of its own (an overload above) only makes its comparisons faster.
template <class Value>
  requires std::is_constructible_v<AnyKind, const Value&>
std::uint64_t order_key(const Value&) noexcept {
  constexpr std::uint64_t rank = kind_rank_of<Value>;
  static_assert(rank != 0, "the first kind needs a code: its bare rank would be the key 0");
  return rank << (64 - kRankBits);  // the rank at the top, an empty code, the low bit clear
}

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
