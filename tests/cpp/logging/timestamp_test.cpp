// Timestamps: the format and the fallback for an unreadable clock.
#include "logging/timestamp.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace kolvi::logging {
namespace {

std::string timestamp_text(std::optional<WallTime> time) {
  std::string text;
  append_timestamp(text, time);
  return text;
}

struct TimestampCase {
  std::int64_t seconds;
  std::uint32_t nanos;
  const char* expected;
};

TEST(LogTimestamp, WritesUtcCalendarTimeWithTruncatedMicroseconds) {
  const TimestampCase cases[] = {
      {0, 0, "1970-01-01T00:00:00.000000Z"},
      {12, 999'999'900, "1970-01-01T00:00:12.999999Z"},  // truncated, never rounded up
      {1'738'314'307, 123'456'789, "2025-01-31T09:05:07.123456Z"},
      {1'709'164'800 + 86'399, 1'000, "2024-02-29T23:59:59.000001Z"},
      {253'402'300'799, 999'999'999, "9999-12-31T23:59:59.999999Z"},
      {253'402'300'800, 0, "+10000-01-01T00:00:00.000000Z"},
      {-1, 500'000'000, "1969-12-31T23:59:59.500000Z"},
      {-86'400, 0, "1969-12-31T00:00:00.000000Z"},
      {-2'203'891'200, 0, "1900-03-01T00:00:00.000000Z"},
      {-2'203'891'201, 0, "1900-02-28T23:59:59.000000Z"},  // 1900 is not a leap year
      {-11'670'998'400, 0, "1600-02-29T00:00:00.000000Z"},
      {-62'162'121'600, 0, "0000-02-29T00:00:00.000000Z"},
      {-62'167'305'600, 0, "-0001-12-31T00:00:00.000000Z"},
      {-377'736'739'200, 0, "-10000-01-01T00:00:00.000000Z"},
  };
  for (const TimestampCase& c : cases) {
    EXPECT_EQ(timestamp_text(WallTime{c.seconds, c.nanos}), c.expected) << c.seconds;
  }
}

TEST(LogTimestamp, UnreadableOrInvalidTimeIsUnknown) {
  EXPECT_EQ(timestamp_text(std::nullopt), "<unknown time>");
  EXPECT_EQ(timestamp_text(WallTime{0, 1'000'000'000}), "<unknown time>");
}

}  // namespace
}  // namespace kolvi::logging
