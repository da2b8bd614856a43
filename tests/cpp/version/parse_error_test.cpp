// The one-line message of a parse error.
#include "version/parse_error.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kolvi::version {
namespace {

using namespace std::string_literals;

const ExpectedItem kDigit = ExpectedItem::of_label("digit");
const ExpectedItem kDot = ExpectedItem::of_character(U'.');
const ExpectedItem kMinus = ExpectedItem::of_character(U'-');
const ExpectedItem kEnd = ExpectedItem::end_of_input();

TEST(ParseErrorMessage, ListsExpectedItems) {
  const struct {
    ExpectedList expected;
    std::string message;
  } cases[] = {
      {{}, "found 'x' expected something else"},
      {{kDigit}, "found 'x' expected digit"},
      {{kDigit, kDot}, "found 'x' expected digit, or '.'"},
      {{kDigit, kMinus, kEnd}, "found 'x' expected digit, '-', or end of input"},
      {{kEnd, kDot, kMinus, kDigit}, "found 'x' expected end of input, '.', '-', or digit"},
  };
  for (const auto& c : cases) {
    const ParseError error{{0, 1}, c.expected, U'x'};
    EXPECT_EQ(error.message(), c.message);
  }
}

TEST(ParseErrorMessage, WritesTheFoundCharacterRaw) {
  const struct {
    std::optional<char32_t> found;
    std::string message;
  } cases[] = {
      {std::nullopt, "found end of input expected digit"},
      {U'é', "found 'é' expected digit"},
      {U'日', "found '日' expected digit"},
      {U'\U0001F600', "found '\U0001F600' expected digit"},
      {U'\t', "found '\t' expected digit"},
      {U'\n', "found '\n' expected digit"},
      {U'\'', "found ''' expected digit"},
      {U'\0', "found '\0' expected digit"s},
  };
  for (const auto& c : cases) {
    const ParseError error{{0, 0}, {kDigit}, c.found};
    EXPECT_EQ(error.message(), c.message);
  }
}

TEST(ExpectedItem, EqualityByKindAndValue) {
  EXPECT_EQ(kDot, ExpectedItem::of_character(U'.'));
  EXPECT_NE(kDot, kMinus);
  EXPECT_EQ(kDigit, ExpectedItem::of_label(std::string("digit")));
  EXPECT_NE(kDigit, ExpectedItem::of_label("integer"));
  EXPECT_NE(kEnd, kDot);
  EXPECT_EQ(kEnd, ExpectedItem::end_of_input());
}

}  // namespace
}  // namespace kolvi::version
