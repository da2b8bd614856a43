// Sorting records by key on every worker, split around sampled pivots.

#include "cli/parallel_sort.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace kolvi::cli {

namespace {

// Orders by key, then input order, which puts records with different or whole keys in their
// final order. Key and place form one 128-bit number, compared without branches; reversing
// flips the key's bits, which reverses its order and leaves the places in input order.
struct KeyOrder {
  std::uint64_t flip;  // all ones to reverse the key order, else 0
  unsigned __int128 rank(const LineRecord& record) const noexcept {
    return static_cast<unsigned __int128>(record.key ^ flip) << 64 | record.place;
  }
  bool operator()(const LineRecord& a, const LineRecord& b) const noexcept {
    return rank(a) < rank(b);
  }
};

}  // namespace

// The records are split around records picked from an evenly spaced sample, and each worker
// sorts a part of its own, so nothing needs merging.
void sort_by_key(std::vector<LineRecord>& records, bool reverse, OrderedPool& pool) {
  constexpr std::size_t kSampleSize = 1024;
  const KeyOrder order{reverse ? ~std::uint64_t{0} : 0};
  const std::size_t parts = pool.workers();
  if (parts < 2 || records.size() < kSampleSize) {
    std::sort(records.begin(), records.end(), order);
    return;
  }
  std::vector<LineRecord> sample;
  for (std::size_t i = 0; i < kSampleSize; ++i)
    sample.push_back(records[i * records.size() / kSampleSize]);
  std::sort(sample.begin(), sample.end(), order);
  auto part = records.begin();
  for (std::size_t i = 1; i <= parts; ++i) {
    auto part_end = records.end();
    if (i < parts) {
      const LineRecord pivot = sample[i * kSampleSize / parts];
      part_end = std::partition(part, records.end(),
                                [&](const LineRecord& record) { return order(record, pivot); });
    }
    // Earlier parts are sorting while this thread splits off the next.
    pool.submit([part, part_end, order] { std::sort(part, part_end, order); }, [] {});
    part = part_end;
  }
  pool.drain();
}

}  // namespace kolvi::cli
