// The framed report: layouts, colour pieces, fallback messages and internal faults.
#include "diagnostics/report.hpp"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "diagnostics/label_colour.hpp"
#include "support/code_units.hpp"
#include "support/linear_growth.hpp"
#include "support/random_texts.hpp"
#include "support/report_messages.hpp"
#include "text/terminal_colour.hpp"
#include "text/utf8.hpp"
#include "version/version.hpp"

namespace kolvi::diagnostics {
namespace {

constexpr std::string_view dot_separated_source_name =
    version::source_name_of<version::DotSeparated>;
constexpr std::string_view other_source_name = version::source_name_of<version::Other>;
constexpr std::string_view semver_source_name = version::source_name_of<version::SemVer>;

std::vector<ParseError> errors_of(const auto& result) {
  EXPECT_FALSE(result.ok());
  if (result.ok()) return {};
  return {result.errors().begin(), result.errors().end()};
}

std::string plain_report(const auto& result, std::string_view text, std::string_view name) {
  return render_report(errors_of(result), text, name, false);
}

std::string lines(std::initializer_list<std::string_view> rows) {
  std::string out;
  for (const std::string_view row : rows)
    (out += row) += '\n';
  return out;
}

TEST(Report, PlainLayouts) {
  const struct {
    const char* name;
    std::string report;
    std::string expected;
  } cases[] = {
      {"worked example", plain_report(version::parse_semver("1.2.x"), "1.2.x", semver_source_name),
       lines({"Error: ", "   ╭─[ kolvi::package::version::semver::SemVer:1:5 ]", "   │",
              " 1 │ 1.2.x", "   │     ┬  ", "   │     ╰── found 'x' expected integer", "───╯"})},
      {"end of input", plain_report(version::parse_semver("1.2"), "1.2", semver_source_name),
       lines({"Error: ", "   ╭─[ kolvi::package::version::semver::SemVer:1:4 ]", "   │", " 1 │ 1.2",
              "   │    │ ", "   │    ╰─ found end of input expected digit, or '.'", "───╯"})},
      {"trailing space trimmed",
       plain_report(version::parse_semver("1.2.3 "), "1.2.3 ", semver_source_name),
       lines({"Error: ", "   ╭─[ kolvi::package::version::semver::SemVer:1:6 ]", "   │",
              " 1 │ 1.2.3", "   │      ┬  ",
              "   │      ╰── found ' ' expected digit, '-', '+', or end of input", "───╯"})},
      {"only the first line",
       plain_report(version::parse_semver("1.x\nmore\n"), "1.x\nmore\n", semver_source_name),
       lines({"Error: ", "   ╭─[ kolvi::package::version::semver::SemVer:1:3 ]", "   │", " 1 │ 1.x",
              "   │   ┬  ", "   │   ╰── found 'x' expected integer", "───╯"})},
      {"tab expanded in the line and the cells",
       plain_report(version::parse_other("a\tb"), "a\tb", other_source_name),
       lines({"Error: ", "   ╭─[ kolvi::package::version::other::Other:1:2 ]", "   │", " 1 │ a   b",
              "   │  ┬──  ", "   │  ╰──── found '\t' expected identifier, or end of input",
              "───╯"})},
      {"two-byte character counts one column",
       plain_report(version::parse_other("éa-b"), "éa-b", other_source_name),
       lines({"Error: ", "   ╭─[ kolvi::package::version::other::Other:1:3 ]", "   │", " 1 │ éa-b",
              "   │   ┬  ", "   │   ╰── found '-' expected identifier, or end of input", "───╯"})},
      {"wide characters take two cells",
       plain_report(version::parse_other("日本-x"), "日本-x", other_source_name),
       lines({"Error: ", "   ╭─[ kolvi::package::version::other::Other:1:3 ]", "   │",
              " 1 │ 日本-x", "   │     ┬  ",
              "   │     ╰── found '-' expected identifier, or end of input", "───╯"})},
      {"found wide character",
       plain_report(version::parse_dot_separated("a日"), "a日", dot_separated_source_name),
       lines({"Error: ", "   ╭─[ kolvi::package::version::dot_separated::DotSeparated:1:2 ]",
              "   │", " 1 │ a日", "   │  ┬─  ",
              "   │  ╰─── found '日' expected alphanumeric or '-', '.', or end of input", "───╯"})},
      {"soft hyphen takes a cell",
       plain_report(version::parse_other("a\u00ADb"), "a\u00ADb", other_source_name),
       lines({"Error: ", "   ╭─[ kolvi::package::version::other::Other:1:2 ]", "   │",
              " 1 │ a\u00ADb", "   │  ┬  ",
              "   │  ╰── found '\u00AD' expected identifier, or end of input", "───╯"})},
      {"empty input", plain_report(version::parse_other(""), "", other_source_name),
       lines({"Error: ", "   ╭─[ kolvi::package::version::other::Other:1:1 ]", "   │", " 1 │ ",
              "   │ │ ", "   │ ╰─ found end of input expected identifier", "───╯"})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.report, c.expected);
  }
}

std::string paint(std::string_view code, std::string_view piece) {
  return "\x1b[" + std::string(code) + "m" + std::string(piece) + "\x1b[0m";
}

TEST(Report, ColouredLayout) {
  const std::string frame = "38;5;246", margin = "38;5;240", source = "38;5;249",
                    label = "38;5;201";
  const std::string expected =
      paint("31", "Error") + ": \n" +                                               //
      "   " + paint(frame, "╭") + paint(frame, "─") + paint(frame, "[") +           //
      " kolvi::package::version::semver::SemVer:1:5 " + paint(frame, "]") + "\n" +  //
      "   " + paint(frame, "│") + "\n" +                                            //
      " " + paint(frame, "1 │") + " " + paint(source, "1") + paint(source, ".") +   //
      paint(source, "2") + paint(source, ".") + paint(label, "x") + "\n" +          //
      " " + paint(margin, "  │") + " " + "    " + paint(label, "┬") + "  \n" +      //
      " " + paint(margin, "  │") + " " + "    " + paint(label, "╰") + paint(label, "─")
      + paint(label, "─") + " found 'x' expected integer\n" +  //
      paint(frame, "───╯") + "\n";
  EXPECT_EQ(
      render_report(errors_of(version::parse_semver("1.2.x")), "1.2.x", semver_source_name, true),
      expected);
}

// Appends the pieces in order.
template <class... Pieces>
std::string join(const Pieces&... pieces) {
  std::string out;
  (out.append(pieces), ...);
  return out;
}

// The source line of a coloured report: white space is written as plain spaces.
TEST(Report, ColouredSourceLineWhiteSpace) {
  const std::string frame = "38;5;246", source = "38;5;249", label = "38;5;201";
  const std::string margin = join(" ", paint(frame, "1 │"), " ");
  const struct {
    std::string text;
    std::string expected;
  } cases[] = {
      {" 1", join(margin, " ", paint(source, "1"))},
      {"1 x", join(margin, paint(source, "1"), " ", paint(source, "x"))},
      {"a\tb", join(margin, paint(label, "a"), "   ", paint(source, "b"))},
      {"1\u3000x", join(margin, paint(source, "1"), " ", paint(source, "x"))},
      {"1.x y", join(margin, paint(source, "1"), paint(source, "."), paint(label, "x"), " ",
                     paint(source, "y"))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string report =
        render_report(errors_of(version::parse_semver(c.text)), c.text, semver_source_name, true);
    const std::size_t row_start = report.find(margin);
    ASSERT_NE(row_start, std::string::npos);
    EXPECT_EQ(report.substr(row_start, report.find('\n', row_start) - row_start), c.expected);
  }
}

TEST(Report, FirstLabelColourIs201) {
  EXPECT_EQ(LabelColourGenerator().next(), 201);
}

TEST(Report, LargeInputRendersInLinearTime) {
  const std::string text = std::string(std::size_t{1} << 20, 'a') + "_";
  const std::string report =
      plain_report(version::parse_dot_separated(text), text, dot_separated_source_name);
  EXPECT_NE(report.find(":1:1048577 ]"), std::string::npos);
  for (const bool colour : {false, true}) {
    SCOPED_TRACE(colour ? "colour" : "plain");
    const auto render = [&](std::size_t n) {
      const std::string long_text = std::string(n, 'a') + "_";
      const auto result = version::parse_dot_separated(long_text);
      EXPECT_FALSE(render_report(errors_of(result), long_text, "n", colour).empty());
    };
    EXPECT_LT(testing::growth_over_16_times_the_size(render, 1 << 16), testing::kLinearGrowthLimit);
  }
}

// Control characters and line breaks in the input never break the report's UTF-8.
TEST(Report, RandomFailuresRenderAsValidUtf8) {
  for (const std::string& text : testing::random_grammar_texts(20000)) {
    const version::ParseResult<version::Version> result = version::parse_version(text);
    if (result.ok()) continue;
    SCOPED_TRACE(text);
    RenderedReport rendered = render_report_to_memory(
        result.errors(), text, version::source_name_of<version::Version>, true);
    const std::string bytes = rendered.bytes;
    EXPECT_EQ(message_from_rendered(std::move(rendered)), bytes);
  }
}

template <class Unit>
std::string written_as(const ReportText& report, std::size_t length) {
  std::vector<Unit> units(length);
  const ReportText::Extent extent = report.write(units.data());
  EXPECT_EQ(extent.length, length);
  return testing::utf8_of_units(std::span<const Unit>(units));
}

// The code-unit writer gives render_report's text in every width, within the bound it gives, for
// inputs with tabs, wide and non-BMP characters, line breaks and long runs.
TEST(ReportText, WritesTheRenderedText) {
  const std::string_view alphabet[] = {"0",          "1",  ".",      "-",     "+", "v",
                                       "a",          "_",  " ",      "\t",    "é", "日",
                                       "\U0001F600", "\n", "\u3000", "\u00AD"};
  std::mt19937 random(20240602);
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    const int length = static_cast<int>(random() % (round % 10 == 0 ? 60 : 12));
    for (int i = 0; i < length; ++i)
      text += alphabet[random() % std::size(alphabet)];
    const version::ParseResult<version::Version> result = version::parse_version(text);
    if (result.ok()) continue;
    for (const bool colour : {false, true}) {
      SCOPED_TRACE(text + (colour ? " (colour)" : ""));
      const std::string expected =
          render_report(result.errors(), text, version::source_name_of<version::Version>, colour);
      const ReportText report(result.errors(), text, version::source_name_of<version::Version>,
                              colour);
      const ReportText::Extent extent = report.measure();
      EXPECT_LE(extent.length, report.length_bound());
      EXPECT_EQ(written_as<std::uint32_t>(report, extent.length), expected);
      if (extent.max_code_point <= 0xFFFF) {
        EXPECT_EQ(written_as<std::uint16_t>(report, extent.length), expected);
      }
    }
  }
}

TEST(ReportDeathTest, InternalFaultsAbort) {
  const std::vector<ParseError> reversed{{{3, 2}, {}, U'x'}};
  EXPECT_DEATH(render_report(reversed, "abcd", "name", false), "Label start is after its end");
  EXPECT_DEATH(render_report({}, "abcd", "name", false), "at least one parse error");
}

TEST(ReportMessage, FallbackMessages) {
  const struct {
    RenderedReport rendered;
    std::string expected;
  } cases[] = {
      {{"Error: \n", std::nullopt}, "Error: \n"},
      {{"", "string too long"}, "Failed to write error to string: string too long"},
      {{"ab\xff", std::nullopt},
       "Invalid UTF-8 string: invalid utf-8 sequence of 1 bytes from index 2"},
      {{"\xe2\x28\xa1", std::nullopt},
       "Invalid UTF-8 string: invalid utf-8 sequence of 1 bytes from index 0"},
      {{"x\xf0\x9f\x98z", std::nullopt},
       "Invalid UTF-8 string: invalid utf-8 sequence of 3 bytes from index 1"},
      {{"\xed\xa0\x80", std::nullopt},
       "Invalid UTF-8 string: invalid utf-8 sequence of 1 bytes from index 0"},
      {{"0123456789abcdef\xff", std::nullopt},  // past two whole ASCII words
       "Invalid UTF-8 string: invalid utf-8 sequence of 1 bytes from index 16"},
      {{"0123456\xc3\xa9"
        "abcdefgh\x80",
        std::nullopt},
       "Invalid UTF-8 string: invalid utf-8 sequence of 1 bytes from index 17"},
      {{"ok\xe2\x82", std::nullopt},
       "Invalid UTF-8 string: incomplete utf-8 byte sequence from index 2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(message_from_rendered(c.rendered), c.expected);
  }
}

// Appended after what is there already, plain reports and others alike.
TEST(ReportMessage, AppendsTheSameText) {
  for (const std::string_view text : {"1.2.3_", "a..b", "a b", "a\tb", "versión-1.0", "1.x\n2"}) {
    SCOPED_TRACE(text);
    const version::ParseResult<version::Version> result = version::parse_version(text);
    ASSERT_FALSE(result.ok());
    std::string out = "before: ";
    append_report_message(out, result.errors(), text, version::source_name_of<version::Version>);
    EXPECT_EQ(out, "before: "
                       + report_message(result.errors(), text,
                                        version::source_name_of<version::Version>));
  }
}

// Never coloured, whatever the process decided, by the plain layout or the general one.
TEST(UncolouredReport, IsTheTextWithoutColour) {
  for (const std::string_view text : {"1.2.3_", "a..b", "a b", "a\tb", "versión-1.0", "1.x\n2"}) {
    SCOPED_TRACE(text);
    const version::ParseResult<version::Version> result = version::parse_version(text);
    ASSERT_FALSE(result.ok());
    constexpr std::string_view name = version::source_name_of<version::Version>;
    std::string out = "before: ";
    append_uncoloured_report(out, result.errors(), text, name);
    EXPECT_EQ(out, "before: " + render_report(result.errors(), text, name, false));
  }
}

TEST(ReportMessage, RendersWithTheProcessDecision) {
  const std::vector<ParseError> errors = errors_of(version::parse_semver("1.2.x"));
  const bool colour = text::report_colour_enabled();
  EXPECT_EQ(report_message(errors, "1.2.x", semver_source_name),
            render_report(errors, "1.2.x", semver_source_name, colour));
  // The decision holds for the life of the process, whatever the environment says later.
  ::setenv("CLICOLOR_FORCE", colour ? "0" : "1", 1);
  ::setenv("NO_COLOR", colour ? "1" : "", 1);
  EXPECT_EQ(text::report_colour_enabled(), colour);
  ::unsetenv("CLICOLOR_FORCE");
  ::unsetenv("NO_COLOR");
}

}  // namespace
}  // namespace kolvi::diagnostics
