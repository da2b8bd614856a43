// Parse and report costs: median CPU nanoseconds per call over several timed runs.

#include <time.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "diagnostics/report.hpp"
#include "support/report_messages.hpp"
#include "version/version.hpp"

namespace {

// Keeps the compiler from dropping a result it can see is unused.
template <class T>
void do_not_optimize(const T& value) {
  asm volatile("" : : "r,m"(value) : "memory");
}

// CPU time of this thread: on a shared machine, wall time would count other processes' turns.
double thread_cpu_ns() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec);
}

template <class Body>
double median_ns_per_call(Body&& body) {
  constexpr int kRuns = 15;
  constexpr int kCallsPerRun = 200000;
  std::vector<double> runs;
  for (int run = 0; run < kRuns; ++run) {
    const double started = thread_cpu_ns();
    for (int i = 0; i < kCallsPerRun; ++i)
      body();
    runs.push_back((thread_cpu_ns() - started) / kCallsPerRun);
  }
  std::sort(runs.begin(), runs.end());
  return runs[runs.size() / 2];
}

void report(const char* name, double ns) {
  std::printf("%-44s %9.1f ns\n", name, ns);
}

}  // namespace

int main() {
  using namespace kolvi;
  std::string_view text = "1.2.3-rc.1+build.5";
  do_not_optimize(text);

  report("parse_semver(\"1.2.3\")", median_ns_per_call([] {
           auto result = version::parse_semver("1.2.3");
           do_not_optimize(result);
         }));
  report("parse_semver(\"1.2.3-rc.1+build.5\")", median_ns_per_call([&] {
           auto result = version::parse_semver(text);
           do_not_optimize(result);
         }));
  // The floor for the parse above: building the same value by hand, text by text.
  report("build SemVer 1.2.3-rc.1+build.5 by hand", median_ns_per_call([] {
           version::SemVer value{1, 2, 3, {}, {}};
           version::TextList& rc = value.rc.emplace();
           rc.push_back("rc");
           rc.push_back("1");
           version::TextList& meta = value.meta.emplace();
           meta.push_back("build");
           meta.push_back("5");
           do_not_optimize(value);
         }));
  report("parse_version(\"1.2.3-rc.1+build.5\")", median_ns_per_call([&] {
           auto result = version::parse_version(text);
           do_not_optimize(result);
         }));
  report("parse_semver(\"1.2.x\") failing", median_ns_per_call([] {
           auto result = version::parse_semver("1.2.x");
           do_not_optimize(result);
         }));
  report("parse_semver(\"1.2.x\") + report_message", median_ns_per_call([] {
           auto result = version::parse_semver("1.2.x");
           std::string message = diagnostics::report_message(
               result.errors(), "1.2.x", version::source_name_of<version::SemVer>);
           do_not_optimize(message);
         }));
  // What the Python layer does: the report written as UCS-2, as a str holds it.
  std::vector<std::uint16_t> units(1 << 16);
  const std::string long_text = "1.2.3-" + std::string(993, 'a') + "_";
  const struct {
    const char* name;
    std::string_view text;
    bool colour;
  } reports[] = {
      {"parse_semver(\"1.2.x\") + UCS-2 report", "1.2.x", false},
      {"parse_semver(\"1.2.x\") + UCS-2 report, colour", "1.2.x", true},
      {"1,000 characters failing at the end + UCS-2", long_text, false},
      {"1,000 characters failing at the end, colour", long_text, true},
  };
  for (const auto& r : reports) {
    report(r.name, median_ns_per_call([&] {
             auto result = version::parse_semver(r.text);
             const diagnostics::ReportText text(result.errors(), r.text,
                                                version::source_name_of<version::SemVer>, r.colour);
             do_not_optimize(text.write(units.data()));
           }));
  }
  return 0;
}
