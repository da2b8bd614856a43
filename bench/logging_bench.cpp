// Cost of an event site: one filtered out below the level, and one formatted and written.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "logging/dispatch.hpp"
#include "logging/stdout_stream.hpp"

namespace {

using namespace kolvi::logging;

constexpr Metadata kDebugSite{Level::kDebug, "bench::logging", "debug event", "bench.cpp", 1};
constexpr Metadata kInfoSite{Level::kInfo, "bench::logging", "info event", "bench.cpp", 2};
constexpr Metadata kSpanSite{Level::kInfo, "bench::logging", "request", "bench.cpp", 3};
constexpr int kRepeats = 15;

// Median over repeats of the mean time per call, in nanoseconds.
template <class Body>
double median_ns_per_call(long calls, Body body) {
  std::vector<double> samples;
  for (int repeat = 0; repeat < kRepeats; ++repeat) {
    const auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < calls; ++i)
      body(i);
    const std::chrono::duration<double, std::nano> elapsed =
        std::chrono::steady_clock::now() - start;
    samples.push_back(elapsed.count() / static_cast<double>(calls));
  }
  std::nth_element(samples.begin(), samples.begin() + kRepeats / 2, samples.end());
  return samples[kRepeats / 2];
}

}  // namespace

int main() {
  const int real_stdout = ::dup(1);
  const int dev_null = ::open("/dev/null", O_WRONLY);
  ::dup2(dev_null, 1);
  ::close(dev_null);

  install_global_subscriber(false);
  const Field debug_fields[] = {{"message", Text{"not shown"}}};
  const double filtered =
      median_ns_per_call(20'000'000, [&](long) { event(kDebugSite, debug_fields); });

  const Field span_fields[] = {{"id", std::int64_t{7}}};
  const SpanId span = new_span(kSpanSite, span_fields);
  enter_span(span);
  const double written = median_ns_per_call(200'000, [&](long i) {
    const Field fields[] = {{"message", Text{"handled request"}},
                            {"count", static_cast<std::int64_t>(i)}};
    event(kInfoSite, fields);
  });
  exit_span(span);
  close_span(span);

  flush_stdout();
  ::dup2(real_stdout, 1);
  ::close(real_stdout);
  std::printf("event below INFO (filtered):                 %8.2f ns (median of %d)\n", filtered,
              kRepeats);
  std::printf("INFO event, 2 fields, 1 span, to /dev/null:  %8.1f ns (median of %d)\n", written,
              kRepeats);
  return 0;
}
