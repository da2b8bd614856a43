// A check that work grows no faster than linearly with its input, which cannot flake on a loaded
// machine: it compares the calling thread's own CPU time at two sizes, so time spent waiting for
// a core never counts, and the margins are wide on both sides.
#pragma once

#include <time.h>

#include <algorithm>
#include <cstddef>

namespace kolvi::testing {

inline double thread_cpu_seconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The least CPU time of a few runs of `work(size)`.
template <class Work>
double least_cpu_seconds(Work& work, std::size_t size) {
  double least = 1e30;
  for (int run = 0; run < 3; ++run) {
    const double started = thread_cpu_seconds();
    work(size);
    least = std::min(least, thread_cpu_seconds() - started);
  }
  return least;
}

// How many times longer `work` takes at 16 times `size`: about 16 when it is linear, 256 when it
// is quadratic. Callers expect it below 64. A floor of a microsecond at the small size keeps a
// clock's granularity from deciding.
template <class Work>
double growth_over_16_times_the_size(Work work, std::size_t size) {
  const double small = std::max(least_cpu_seconds(work, size), 1e-6);
  return least_cpu_seconds(work, 16 * size) / small;
}

inline constexpr double kLinearGrowthLimit = 64;

}  // namespace kolvi::testing
