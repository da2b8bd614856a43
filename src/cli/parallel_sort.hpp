// sort's first pass: the records in key order, then input order, sorted on every worker.
#pragma once

#include <vector>

#include "cli/line_records.hpp"
#include "cli/ordered_pool.hpp"

namespace kolvi::cli {

// Sorts in key order with every worker: the records are split around records picked from an
// evenly spaced sample, and each worker sorts a part of its own, so nothing needs merging.
void sort_by_key(std::vector<LineRecord>& records, bool reverse, OrderedPool& pool);

}  // namespace kolvi::cli
