// Terminal cell widths: wide, zero-width and ordinary characters, and code points past the range.
#include "text/display_width.hpp"

#include <gtest/gtest.h>

#include "code_point.hpp"

namespace kolvi::unicode {
namespace {

struct WidthCase {
  char32_t code_point;
  int width;
};

constexpr WidthCase kWidthCases[] = {
    {U'a', 1},     {0x0000, 1},   {0x0007, 1},     {0x007F, 1},  {0x0085, 1},  {0x00E9, 1},
    {0x00AD, 1},   {0x0301, 0},   {0x0488, 0},     {0x1100, 2},  {0x1160, 0},  {0x11FF, 0},
    {0x200B, 0},   {0x2060, 0},   {0x061C, 0},     {0xFEFF, 0},  {0x302A, 0},  {0x3000, 2},
    {0x3099, 0},   {0x4E00, 2},   {0xAC00, 2},     {0xD7B0, 0},  {0xFE0F, 0},  {0xFF21, 2},
    {0xFF61, 1},   {0x1F600, 2},  {0x20000, 2},    {0x2FFFD, 2}, {0x3FFFD, 2}, {0xE0001, 0},
    {0x10FFFF, 1}, {0x110000, 1}, {0xFFFFFFFF, 1},
};

TEST(UnicodeDisplayWidth, SpotChecks) {
  for (const WidthCase& expected : kWidthCases) {
    SCOPED_TRACE(code_point_name(expected.code_point));
    EXPECT_EQ(display_width(expected.code_point), expected.width);
  }
}

}  // namespace
}  // namespace kolvi::unicode
