// Finding the line that holds a byte offset, across every kind of line break.
#include "diagnostics/source_line.hpp"

#include <gtest/gtest.h>

namespace kolvi::diagnostics {
namespace {

using namespace std::string_view_literals;

TEST(SourceLine, FindsTheLineOfAnOffset) {
  const struct {
    std::string_view source;
    std::size_t offset;
    std::size_t number;
    std::string_view text;
  } cases[] = {
      {"abc", 1, 1, "abc"},
      {"abc", 3, 1, "abc"},
      {"ab\ncd", 2, 1, "ab"},
      {"ab\ncd", 3, 2, "cd"},
      {"ab\r\ncd", 3, 1, "ab"},
      {"ab\r\ncd", 4, 2, "cd"},
      {"a\vb\fc", 4, 3, "c"},
      {"a\u2028b", 4, 2, "b"},
      {"a\u0085b\u2029c", 7, 3, "c"},
      {"", 0, 1, ""},
      // Breaks past whole words of text, and tabs and NULs that only look like breaks.
      {"0123456789abcdef\nx", 17, 2, "x"},
      {"01234\t6789\0bcdefgh\r\nxy"sv, 22, 2, "xy"},
      {"01234\t6789\0bcdefgh\r\nxy"sv, 3, 1, "01234\t6789\0bcdefgh"sv},
      {"0123456é89abcdef日\u2028z", 25, 2, "z"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.source);
    const SourceLine line = line_containing(c.source, c.offset);
    EXPECT_EQ(line.number, c.number);
    EXPECT_EQ(line.text, c.text);
  }
}

}  // namespace
}  // namespace kolvi::diagnostics
