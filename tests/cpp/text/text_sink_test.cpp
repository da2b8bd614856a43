// The sinks agree: the same calls give the same text as UTF-8 appended to a string, as a measure,
// and as code units of every width, including pieces copied in overlapping blocks.
#include "text/text_sink.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "support/code_units.hpp"

namespace kolvi::text {
namespace {

// A script of calls, run against any sink.
template <class Sink>
void write_script(Sink& sink, std::string_view before, std::string_view run, std::size_t count) {
  sink.literal("head ");
  sink.ascii(run);
  sink.text("é日\U0001F600 mixed é");
  sink.character(U'─');
  sink.repeat(U' ', count);
  sink.repeat(U'─', count);
  sink.pieces(before, run, "\x1b[0m");
  sink.repeat_pieces(before, U'┬', "\x1b[0m", count);
  sink.literal("\n");
}

template <class Unit>
void expect_units_match(std::string_view before, std::string_view run, std::size_t count,
                        const std::string& expected, const MeasureSink& measure) {
  // Room for the text only: a block that overran the pieces would run past the end.
  std::vector<Unit> units(measure.length());
  UnitSink<Unit> sink(units.data());
  write_script(sink, before, run, count);
  EXPECT_EQ(static_cast<std::size_t>(sink.position() - units.data()), measure.length());
  EXPECT_EQ(sink.max_code_point(), measure.max_code_point());
  EXPECT_EQ(testing::utf8_of_units(std::span<const Unit>(units)), expected);
}

TEST(TextSink, EverySinkWritesTheSameText) {
  const std::string_view escapes[] = {"", "\x1b[31m", "\x1b[38;5;201m", "\x1b[38;5;201;48;5;17m"};
  const std::string runs[] = {"", "a", "1.2.x", std::string(17, 'q'), std::string(40, 'z')};
  for (const std::string_view before : escapes) {
    for (const std::string& run : runs) {
      for (const std::size_t count : {std::size_t{0}, std::size_t{1}, std::size_t{23}}) {
        SCOPED_TRACE(std::to_string(before.size()) + " escape bytes, run " + run + ", count "
                     + std::to_string(count));
        std::string expected;
        Utf8Sink utf8(expected);
        write_script(utf8, before, run, count);
        MeasureSink measure;
        write_script(measure, before, run, count);
        EXPECT_EQ(measure.max_code_point(), U'\U0001F600');
        expect_units_match<std::uint32_t>(before, run, count, expected, measure);
      }
    }
  }
}

// UCS-2 and Latin-1 hold only what fits them, so their scripts keep to smaller code points.
TEST(TextSink, NarrowUnitsWriteTheirText) {
  std::vector<std::uint16_t> ucs2(64);
  UnitSink<std::uint16_t> wide(ucs2.data());
  wide.text("a─b");
  wide.repeat(U'╯', 2);
  EXPECT_EQ(wide.position() - ucs2.data(), 5);
  EXPECT_EQ(wide.max_code_point(), U'╯');
  EXPECT_EQ(ucs2[1], 0x2500);

  std::vector<std::uint8_t> latin1(64);
  UnitSink<std::uint8_t> narrow(latin1.data());
  narrow.text("é");
  narrow.pieces("<", "ab", ">");
  EXPECT_EQ(std::string(latin1.begin(), latin1.begin() + (narrow.position() - latin1.data())),
            "\xe9<a><b>");
  EXPECT_EQ(narrow.max_code_point(), U'é');
}

// The loops behind the sinks, at every length around their steps, stay inside their units.
template <class Unit>
void expect_loops_write_exactly(std::size_t length) {
  constexpr Unit kGuard = 0x55;
  std::string ascii(length, ' ');
  for (std::size_t i = 0; i < length; ++i)
    ascii[i] = static_cast<char>('!' + i % 90);
  std::vector<Unit> units(length + 40, kGuard);
  EXPECT_EQ(widen_ascii(ascii, units.data() + 1), units.data() + 1 + length);
  EXPECT_EQ(units[0], kGuard);
  for (std::size_t i = 0; i < length; ++i)
    EXPECT_EQ(units[1 + i], static_cast<Unit>(ascii[i]));
  EXPECT_EQ(units[1 + length], kGuard);
  EXPECT_EQ(fill_units(units.data() + 1, length, U'─'), units.data() + 1 + length);
  EXPECT_EQ(std::count(units.begin() + 1, units.begin() + 1 + length, static_cast<Unit>(U'─')),
            static_cast<std::ptrdiff_t>(length));
  EXPECT_EQ(units[0], kGuard);
  EXPECT_EQ(units[1 + length], kGuard);
}

TEST(TextSink, LoopsWriteExactly) {
  for (std::size_t length = 0; length <= 70; ++length) {
    SCOPED_TRACE(length);
    expect_loops_write_exactly<std::uint16_t>(length);
    expect_loops_write_exactly<std::uint32_t>(length);
  }
}

TEST(TextSink, MeasuresLengthAndLargestCodePoint) {
  const struct {
    std::string_view text;
    std::size_t length;
    char32_t max;
  } cases[] = {
      {"", 0, 0}, {"abc", 3, 0x7F}, {"é", 1, U'é'}, {"a日b", 3, U'日'}, {"\U0001F600", 1, 0x1F600},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    MeasureSink measure;
    measure.text(c.text);
    EXPECT_EQ(measure.length(), c.length);
    EXPECT_EQ(measure.max_code_point(), c.max);
    EXPECT_EQ(max_code_point(c.text), c.max);
  }
}

}  // namespace
}  // namespace kolvi::text
