// The wall-clock timestamp at the start of every log block.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kolvi::logging {

// A point in time as whole seconds since 1970-01-01T00:00:00Z (negative before) plus the
// nanoseconds into that second. Seconds are 64-bit so that far-future years fit.
struct WallTime {
  std::int64_t seconds;
  std::uint32_t nanos;  // 0 to 999'999'999
};

// Reads the wall clock; empty when the clock cannot be read. A plain function pointer keeps
// the hot path free of type erasure while tests can still substitute a fixed time.
using Clock = std::optional<WallTime> (*)() noexcept;

std::optional<WallTime> system_clock_now() noexcept;

// Appends the UTC time as YYYY-MM-DDTHH:MM:SS.ffffffZ (microseconds truncated), or
// "<unknown time>" when there is no time.
void append_timestamp(std::string& out, std::optional<WallTime> time);

}  // namespace kolvi::logging
