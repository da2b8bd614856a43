// Parse, list and report costs: median CPU nanoseconds per call over several timed runs.

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

constexpr int kRuns = 15;
constexpr int kCallsPerRun = 200000;

template <class Body>
double median_ns_per_call(Body&& body) {
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

// The command line: rows whose name holds FILTER; or with --once, the one row named FILTER run
// kCallsPerRun times and nothing timed, so that an instruction counter (callgrind) sees just
// that work.
struct Options {
  std::string_view filter;
  bool once = false;
};
Options options;

template <class Body>
void measure(const char* name, Body&& body) {
  if (options.once) {
    if (name != options.filter) return;
    for (int i = 0; i < kCallsPerRun; ++i)
      body();
    return;
  }
  if (std::string_view(name).find(options.filter) == std::string_view::npos) return;
  report(name, median_ns_per_call(body));
}

}  // namespace

// Usage: parse_bench [FILTER] | parse_bench --once ROW
int main(int argc, char** argv) {
  using namespace kolvi;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--once") {
      options.once = true;
    } else {
      options.filter = argument;
    }
  }
  std::string_view text = "1.2.3-rc.1+build.5";
  do_not_optimize(text);

  measure("parse_semver(\"1.2.3\")", [] {
    auto result = version::parse_semver("1.2.3");
    do_not_optimize(result);
  });
  measure("parse_semver(\"1.2.3-rc.1+build.5\")", [&] {
    auto result = version::parse_semver(text);
    do_not_optimize(result);
  });
  // The floor for the parse above: building the same value by hand, text by text.
  measure("build SemVer 1.2.3-rc.1+build.5 by hand", [] {
    version::SemVer value{1, 2, 3, {}, {}};
    version::TextList& rc = value.rc.emplace();
    rc.push_back("rc");
    rc.push_back("1");
    version::TextList& meta = value.meta.emplace();
    meta.push_back("build");
    meta.push_back("5");
    do_not_optimize(value);
  });
  // What the representation of lists decides: parsing lists of a few and of many parts,
  // copying, comparing values whose numbers are equal, and the text forms.
  const std::string_view dotted = "2024.10.1";
  const std::string_view long_list = "1.0-beta.2.3.4.5.6.7.8.9.10.11.12.13.14.15";
  measure("parse_dot_separated(\"2024.10.1\")", [&] {
    auto result = version::parse_dot_separated(dotted);
    do_not_optimize(result);
  });
  measure("parse_dot_separated of 16 parts", [&] {
    auto result = version::parse_dot_separated(long_list);
    do_not_optimize(result);
  });
  const version::SemVer full = version::parse_semver(text).value();
  measure("copy SemVer 1.2.3-rc.1+build.5", [&] {
    version::SemVer copy = full;
    do_not_optimize(copy);
  });
  const version::SemVer alpha_1 = version::parse_semver("1.2.3-alpha.beta.gamma.1").value();
  const version::SemVer alpha_2 = version::parse_semver("1.2.3-alpha.beta.gamma.2").value();
  do_not_optimize(alpha_2);
  measure("SemVer <=> with equal numbers, 4-part rc", [&] {
    auto order = alpha_1 <=> alpha_2;
    do_not_optimize(order);
  });
  measure("SemVer == with equal numbers, 4-part rc", [&] {
    bool same = alpha_1 == alpha_2;
    do_not_optimize(same);
  });
  measure("display(SemVer 1.2.3-rc.1+build.5)", [&] {
    std::string shown = version::display(full);
    do_not_optimize(shown);
  });
  measure("debug(SemVer 1.2.3-rc.1+build.5)", [&] {
    std::string shown = version::debug(full);
    do_not_optimize(shown);
  });
  measure("parse_version(\"1.2.3-rc.1+build.5\")", [&] {
    auto result = version::parse_version(text);
    do_not_optimize(result);
  });
  measure("parse_semver(\"1.2.x\") failing", [] {
    auto result = version::parse_semver("1.2.x");
    do_not_optimize(result);
  });
  measure("parse_semver(\"1.2.x\") + report_message", [] {
    auto result = version::parse_semver("1.2.x");
    std::string message = diagnostics::report_message(result.errors(), "1.2.x",
                                                      version::source_name_of<version::SemVer>);
    do_not_optimize(message);
  });
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
    measure(r.name, [&] {
      auto result = version::parse_semver(r.text);
      const diagnostics::ReportText text(result.errors(), r.text,
                                         version::source_name_of<version::SemVer>, r.colour);
      do_not_optimize(text.write(units.data()));
    });
  }
  return 0;
}
