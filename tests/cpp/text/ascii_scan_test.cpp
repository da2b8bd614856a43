// Word-at-a-time scans against byte-by-byte answers: a marked byte at every position of texts of
// every length around a word, so that whole words, overlapping tails and short texts all count.
#include "text/ascii_scan.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

namespace kolvi::text {
namespace {

// One byte `marked` at `position` (or none past the end) in `length` filler letters.
std::string text_with(std::size_t length, std::size_t position, char marked) {
  std::string text(length, 'x');
  if (position < length) text[position] = marked;
  return text;
}

TEST(AsciiScan, RunsEndAtTheFirstMarkedByte) {
  const struct {
    const char* name;
    char marked;
    std::size_t (*scan)(std::string_view);
  } cases[] = {
      {"non-ASCII", '\xc3', [](std::string_view t) { return ascii_end(t, 0); }},
      {"tab", '\t', [](std::string_view t) { return ascii_end_before(t, 0, '\t', ' '); }},
      {"space", ' ', [](std::string_view t) { return ascii_end_before(t, 0, '\t', ' '); }},
      {"DEL, no stop", '\x7f',
       [](std::string_view t) { return ascii_end_before(t, 0, '\t', ' '); }},
      {"control", '\x1f', [](std::string_view t) { return plain_ascii_end(t, 0); }},
      {"non-ASCII, not plain", '\xe2', [](std::string_view t) { return plain_ascii_end(t, 0); }},
      {"DEL, plain", '\x7f', [](std::string_view t) { return plain_ascii_end(t, 0); }},
  };
  for (const auto& c : cases) {
    const bool stops = c.marked != '\x7f';
    // Lengths past two 16-byte steps, with their word and byte tails.
    for (std::size_t length = 0; length <= 40; ++length) {
      for (std::size_t position = 0; position <= length; ++position) {
        SCOPED_TRACE(std::string(c.name) + " at " + std::to_string(position) + " of "
                     + std::to_string(length));
        const std::string text = text_with(length, position, c.marked);
        EXPECT_EQ(c.scan(text), stops ? position : length);
      }
    }
  }
}

TEST(AsciiScan, ScansStartAnywhere) {
  const std::string text = "abcdefghijklmnop\tqrst";
  for (std::size_t start = 0; start <= text.size(); ++start) {
    SCOPED_TRACE(start);
    EXPECT_EQ(ascii_end_before(text, start, '\t', '\t'), start <= 16 ? 16 : text.size());
  }
}

// Marked bytes before the start do not count, whichever step (a vector, the vector that ends with
// the text, a word) holds them.
TEST(AsciiScan, ScansFromAStartPastMarkedBytes) {
  const struct {
    const char* name;
    char marked;
    std::size_t (*scan)(std::string_view, std::size_t);
  } cases[] = {
      {"non-ASCII", '\xc3', [](std::string_view t, std::size_t p) { return ascii_end(t, p); }},
      {"control", '\x01', [](std::string_view t, std::size_t p) { return plain_ascii_end(t, p); }},
  };
  for (const auto& c : cases) {
    for (std::size_t length = 0; length <= 70; ++length) {
      for (std::size_t start = 0; start <= length; ++start) {
        for (std::size_t position = start; position <= length; ++position) {
          std::string text = text_with(length, position, c.marked);
          std::fill(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(start), c.marked);
          ASSERT_EQ(c.scan(text, start), position)
              << c.name << " from " << start << " at " << position << " of " << length;
        }
      }
    }
  }
}

TEST(AsciiScan, CountsCodePoints) {
  const struct {
    std::string text;
    std::size_t count;
  } cases[] = {
      {"", 0},
      {"abc", 3},
      {"é", 1},
      {"日本語", 3},
      {"\U0001F600x", 2},
      {"0123456789abcdef", 16},
      {"0123456é89abcdef日", 17},
      {"ééééééééé", 9},  // continuation bytes on both sides of a word boundary
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(count_code_points(c.text), c.count);
  }
}

// The exact masks mark a byte the same whatever its neighbours are.
TEST(AsciiScanWord, ExactMasksClassifyEveryByteInEveryPosition) {
  for (unsigned value = 0; value < 256; ++value) {
    const auto byte = static_cast<unsigned char>(value);
    const bool ascii = byte < 0x80;
    for (unsigned position = 0; position < 8; ++position) {
      // Neighbours that sit on either side of every boundary tested.
      const std::uint64_t w =
          (word::kOnes * 0x39) ^ (std::uint64_t{byte ^ 0x39u} << (8 * position));
      const std::uint64_t bit = std::uint64_t{0x80} << (8 * position);
      SCOPED_TRACE(std::to_string(value) + " at byte " + std::to_string(position));
      const std::uint64_t ascii_bit = word::ascii_bytes(w) & bit;
      EXPECT_EQ(ascii_bit != 0, ascii);
      // The range masks speak for ASCII bytes only.
      EXPECT_EQ((word::at_least(w, '0') & ascii_bit) != 0, ascii && byte >= '0');
      EXPECT_EQ((word::in_range(w, 'a', 'z') & ascii_bit) != 0, byte >= 'a' && byte <= 'z');
      EXPECT_EQ((word::equal_exact(w, '-') & bit) != 0, byte == '-');
    }
  }
}

}  // namespace
}  // namespace kolvi::text
