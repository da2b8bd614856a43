// sort's second pass: runs of records whose equal keys were cut short, ordered by their values.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <numeric>
#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/byte_buffer.hpp"
#include "cli/line_records.hpp"
#include "cli/ordered_pool.hpp"
#include "cli/parallel_sort.hpp"
#include "version/order_key.hpp"

namespace kolvi::cli {

// Sorts a run of records whose equal keys were cut short by their values, ties in input order.
// Equal lines (the usual case, a line repeated) need no values; any other line is parsed at
// most once, when it first meets a different one.
template <class Target>
void sort_by_values(std::span<LineRecord> run, const ByteBuffer& bytes, bool reverse) {
  const std::string_view first = line_at(bytes, run.front().place);
  const auto same_line = [&](const LineRecord& r) { return line_at(bytes, r.place) == first; };
  if (std::all_of(run.begin() + 1, run.end(), same_line)) return;  // already in input order
  std::vector<std::optional<typename Target::Value>> values(run.size());
  const auto value_of = [&](std::size_t i) -> const typename Target::Value& {
    if (!values[i]) values[i] = std::move(Target::parse(line_at(bytes, run[i].place)).value());
    return *values[i];
  };
  const auto before = [&](std::size_t a, std::size_t b) {
    if (line_at(bytes, run[a].place) != line_at(bytes, run[b].place)) {
      const std::strong_ordering order = value_of(a) <=> value_of(b);
      if (order != 0) return reverse ? order > 0 : order < 0;
    }
    return run[a].place < run[b].place;
  };
  std::vector<std::size_t> order(run.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::sort(order.begin(), order.end(), before);
  std::vector<LineRecord> sorted;
  sorted.reserve(run.size());
  for (const std::size_t i : order)
    sorted.push_back(run[i]);
  std::copy(sorted.begin(), sorted.end(), run.begin());
}

// Sorts by key and input order, which settles every record whose key is whole; then each run of
// equal keys that were cut short is sorted again by value.
template <class Target>
void sort_records(std::vector<LineRecord>& records, const ByteBuffer& bytes, bool reverse,
                  OrderedPool& pool) {
  sort_by_key(records, reverse, pool);
  for (auto run = records.begin(); run != records.end();) {
    const std::uint64_t key = run->key;
    const auto run_end =
        std::find_if(run, records.end(), [key](const LineRecord& r) { return r.key != key; });
    if (!version::key_is_whole(key) && run_end - run > 1) {
      sort_by_values<Target>(std::span(run, run_end), bytes, reverse);
    }
    run = run_end;
  }
}

}  // namespace kolvi::cli
