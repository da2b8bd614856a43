// Decimal text of integers of every width and sign, through both entry points.
#include "base/decimal.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace kolvi::base {
namespace {

TEST(Decimal, EveryWidthAndItsLimits) {
  const struct {
    std::string text;
    std::string expected;
  } cases[] = {
      {std::string(Decimal(0).view()), "0"},
      {std::string(Decimal(7U).view()), "7"},
      {std::string(Decimal(-1).view()), "-1"},
      {std::string(Decimal(std::uint8_t{255}).view()), "255"},
      {std::string(Decimal(std::numeric_limits<std::uint32_t>::max()).view()), "4294967295"},
      {std::string(Decimal(std::numeric_limits<std::uint64_t>::max()).view()),
       "18446744073709551615"},
      {std::string(Decimal(std::numeric_limits<std::int64_t>::min()).view()),
       "-9223372036854775808"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.text, c.expected);
}

TEST(Decimal, AppendsAfterWhatIsThere) {
  std::string out = "line ";
  append_decimal(out, std::size_t{1234567});
  append_decimal(out, 0);
  EXPECT_EQ(out, "line 12345670");
  EXPECT_EQ(Decimal(-42).size(), 3U);
}

}  // namespace
}  // namespace kolvi::base
