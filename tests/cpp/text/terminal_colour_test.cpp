// Terminal colour: the escape sequences, the report decision over every combination of the
// environment that matters, and the log decision.
#include "text/terminal_colour.hpp"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <string_view>

namespace kolvi::text {
namespace {

using Environment = std::map<std::string, std::string>;

TEST(Escapes, OneWriterForLiteralsAndPaletteColours) {
  EXPECT_EQ(std::string_view(kEscape<"31">.bytes), "\x1b[31m");
  EXPECT_EQ(sizeof kEscape<"38;5;246">.bytes, sizeof "\x1b[38;5;246m");
  EXPECT_EQ(std::string_view(kReset), "\x1b[0m");
  const struct {
    unsigned index;
    std::string_view escape;
  } palette[] = {{0, "\x1b[38;5;0m"},     {9, "\x1b[38;5;9m"},     {16, "\x1b[38;5;16m"},
                 {201, "\x1b[38;5;201m"}, {255, "\x1b[38;5;255m"}, {271, "\x1b[38;5;271m"}};
  for (const auto& c : palette) {
    char escape[kPaletteEscapeCapacity];
    const char* end = write_palette_escape(escape, c.index);
    EXPECT_EQ(std::string_view(escape, static_cast<std::size_t>(end - escape)), c.escape);
  }
}

TEST(ColourDecision, Matrix) {
  const Environment term = {{"TERM", "xterm-256color"}};
  const auto with = [&](Environment extra, bool keep_term = true) {
    Environment env = keep_term ? term : Environment{};
    env.insert(extra.begin(), extra.end());
    return env;
  };
  const struct {
    const char* name;
    Environment env;
    bool on_terminal;  // expected decision when stderr is a terminal
    bool off_terminal;
  } cases[] = {
      {"usable TERM", with({}), true, false},
      {"NO_COLOR empty", with({{"NO_COLOR", ""}}), true, false},
      {"NO_COLOR set", with({{"NO_COLOR", "1"}}), false, false},
      {"CLICOLOR=0", with({{"CLICOLOR", "0"}}), false, false},
      {"CLICOLOR=1", with({{"CLICOLOR", "1"}}), true, false},
      {"TERM unset", with({}, false), false, false},
      {"TERM dumb", with({{"TERM", "dumb"}}, false), false, false},
      {"COLORTERM alone", with({{"COLORTERM", "truecolor"}}, false), false, false},
      {"force empty", with({{"CLICOLOR_FORCE", ""}}), true, true},
      {"force 0", with({{"CLICOLOR_FORCE", "0"}}), true, false},
      {"force 1", with({{"CLICOLOR_FORCE", "1"}}), true, true},
      {"force 1 over NO_COLOR", with({{"CLICOLOR_FORCE", "1"}, {"NO_COLOR", "1"}}), true, true},
      {"force 1 over CLICOLOR=0", with({{"CLICOLOR_FORCE", "1"}, {"CLICOLOR", "0"}}), true, true},
      {"force 1 without TERM", with({{"CLICOLOR_FORCE", "1"}}, false), true, true},
      {"force 0 with NO_COLOR", with({{"CLICOLOR_FORCE", "0"}, {"NO_COLOR", "x"}}), false, false},
      {"force empty without TERM", with({{"CLICOLOR_FORCE", ""}}, false), true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const EnvLookup lookup = [&](const char* name) -> const char* {
      const auto found = c.env.find(name);
      return found == c.env.end() ? nullptr : found->second.c_str();
    };
    EXPECT_EQ(decide_terminal_colour(lookup, true), c.on_terminal);
    EXPECT_EQ(decide_terminal_colour(lookup, false), c.off_terminal);
  }
}

TEST(LogColourDecision, OnlyANonEmptyValidNoColorTurnsColourOff) {
  EXPECT_TRUE(colour_from_no_color(nullptr));
  EXPECT_TRUE(colour_from_no_color(""));
  EXPECT_TRUE(colour_from_no_color("\xff\xfe"));
  EXPECT_FALSE(colour_from_no_color("1"));
  EXPECT_FALSE(colour_from_no_color("0"));
  EXPECT_FALSE(colour_from_no_color("\xc3\xa9"));
}

}  // namespace
}  // namespace kolvi::text
