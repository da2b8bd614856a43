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
// Equal lines (the usual case, a line repeated) need no values. The others are parsed for each
// comparison rather than kept: a run can be most of the input, and its values would take several
// times the memory of its lines.
template <class Target>
void sort_by_values(std::span<LineRecord> run, const ByteBuffer& bytes, bool reverse) {
  const std::string_view first = line_at(bytes, run.front().place);
  const auto same_line = [&](const LineRecord& r) { return line_at(bytes, r.place) == first; };
  if (std::all_of(run.begin() + 1, run.end(), same_line)) return;  // already in input order
  const auto before = [&](const LineRecord& a, const LineRecord& b) {
    const std::string_view a_line = line_at(bytes, a.place);
    const std::string_view b_line = line_at(bytes, b.place);
    if (a_line != b_line) {
      const std::strong_ordering order =
          Target::parse(a_line).value() <=> Target::parse(b_line).value();
      if (order != 0) return reverse ? order > 0 : order < 0;
    }
    return a.place < b.place;
  };
  std::sort(run.begin(), run.end(), before);
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
