// The two-level trie lookup shared by the tables that scripts/gen_unicode_tables.py generates
// (the character properties and the display widths).
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

namespace kolvi::unicode::detail {

// The kValueBits-bit value of c: root picks a run of mid entries, c's entry in the run picks a
// leaf word, and the word packs the values of 64 / kValueBits consecutive code points.
template <unsigned kValueBits, unsigned kMidBits, typename Root, std::size_t kRootSize,
          typename Mid, std::size_t kMidSize, std::size_t kLeafCount>
inline unsigned trie_value(const std::array<Root, kRootSize>& root,
                           const std::array<Mid, kMidSize>& mid,
                           const std::array<std::uint64_t, kLeafCount>& leaves,
                           char32_t c) noexcept {
  constexpr unsigned kLeafShift = std::countr_zero(64U / kValueBits);
  static_assert(kRootSize << (kMidBits + kLeafShift) == 0x110000, "root covers all code points");
  if (c > 0x10FFFF) return 0;
  const std::size_t block = c >> kLeafShift;
  const std::size_t mid_slot =
      (std::size_t{root[block >> kMidBits]} << kMidBits) | (block & ((1U << kMidBits) - 1));
  const unsigned slot = c & ((1U << kLeafShift) - 1);
  return static_cast<unsigned>(leaves[mid[mid_slot]] >> (slot * kValueBits))
         & ((1U << kValueBits) - 1);
}

}  // namespace kolvi::unicode::detail
