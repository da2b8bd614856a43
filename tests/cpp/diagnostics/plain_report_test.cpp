// The plain report against the general writer: the same text, in exactly the size it announces,
// and only for reports of its shape.
#include "diagnostics/plain_report.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "diagnostics/report.hpp"
#include "support/code_units.hpp"
#include "support/report_messages.hpp"
#include "text/utf8.hpp"
#include "version/version.hpp"

namespace kolvi::diagnostics {
namespace {

using version::ExpectedItem;

// Written into a buffer of exactly the announced size, followed by guard units that must stay.
template <class Unit>
std::string written(const PlainReport& report, std::size_t size) {
  constexpr Unit kGuard = 0x55;
  std::vector<Unit> units(size + 16, kGuard);
  report.write(units.data());
  for (std::size_t i = size; i < units.size(); ++i)
    EXPECT_EQ(units[i], kGuard) << "written past its size at " << i;
  if constexpr (sizeof(Unit) == 1) {
    return std::string(units.begin(), units.begin() + static_cast<std::ptrdiff_t>(size));
  } else {
    return testing::utf8_of_units(std::span<const Unit>(units.data(), size));
  }
}

void expect_matches_general(std::span<const ParseError> errors, std::string_view source,
                            std::string_view source_name) {
  const PlainReport report(errors, source, source_name);
  ASSERT_TRUE(report.holds());
  const std::string expected = render_report(errors, source, source_name, false);
  EXPECT_EQ(report.utf8_size(), expected.size());
  EXPECT_EQ(written<char>(report, report.utf8_size()), expected);
  EXPECT_EQ(written<std::uint16_t>(report, report.length()), expected);
}

std::string random_text(std::mt19937& random, std::string_view alphabet, std::size_t max_length) {
  std::string text(random() % (max_length + 1), ' ');
  for (char& c : text)
    c = alphabet[random() % alphabet.size()];
  return text;
}

constexpr std::string_view kPlainAlphabet = "01.-+vVa_~: \x7f";

// Failures the grammar gives, for every kind, on short and long lines.
TEST(PlainReport, ParsesGiveTheGeneralText) {
  std::mt19937 random(20240611);
  for (int round = 0; round < 4000; ++round) {
    const std::string text = random_text(random, kPlainAlphabet, round % 10 == 0 ? 300 : 12);
    SCOPED_TRACE(text);
    const auto check = [&](const auto& result, std::string_view source_name) {
      if (!result.ok()) expect_matches_general(result.errors(), text, source_name);
    };
    check(version::parse_semver(text), version::source_name_of<version::SemVer>);
    check(version::parse_dot_separated(text), version::source_name_of<version::DotSeparated>);
    check(version::parse_other(text), version::source_name_of<version::Other>);
    check(version::parse_version(text), version::source_name_of<version::Version>);
  }
}

// Errors the grammar never gives: any span (wide, empty, past the line's end), any ASCII found
// character, any expected list.
TEST(PlainReport, AnyErrorGivesTheGeneralText) {
  constexpr std::array<ExpectedItem, 7> vocabulary = {
      ExpectedItem::of_character('.'),
      ExpectedItem::of_character('\t'),
      ExpectedItem::of_label("integer"),
      ExpectedItem::of_label("alphanumeric or '-'"),
      ExpectedItem::end_of_input(),
      ExpectedItem::of_label(""),
      ExpectedItem::of_label("a label longer than the blocks its text is copied in")};
  std::mt19937 random(20240612);
  for (int round = 0; round < 4000; ++round) {
    const std::string text = random_text(random, kPlainAlphabet, round % 10 == 0 ? 200 : 15);
    ParseError error;
    error.span.start = random() % (text.size() + 3);
    error.span.end = error.span.start + random() % (round % 7 == 0 ? 40 : 4);
    if (random() % 4 != 0) error.found = static_cast<char32_t>(random() % 0x80);
    for (const ExpectedItem& item : vocabulary) {
      if (random() % 2 == 0) error.expected.push_back(item);
    }
    SCOPED_TRACE(text + " at " + std::to_string(error.span.start) + ".."
                 + std::to_string(error.span.end));
    const std::vector<ParseError> errors{error};
    expect_matches_general(errors, text,
                           round % 3 == 0 ? "n" : version::source_name_of<version::SemVer>);
  }
}

TEST(PlainReport, OtherShapesAreLeftToTheGeneralWriter) {
  const ParseError at_one{{1, 2}, {ExpectedItem::of_label("integer")}, U'x'};
  const struct {
    const char* name;
    std::vector<ParseError> errors;
    std::string_view source;
    std::string_view source_name;
  } cases[] = {
      {"two errors", {at_one, at_one}, "1x", "name"},
      {"tab in the source", {at_one}, "1x\t", "name"},
      {"line break in the source", {at_one}, "1x\n2", "name"},
      {"source outside ASCII", {at_one}, "1xé", "name"},
      {"source name outside ASCII", {at_one}, "1x", "namé"},
      {"found character outside ASCII", {{{1, 2}, {}, U'é'}}, "1x", "name"},
      {"expected character outside ASCII",
       {{{1, 2}, {ExpectedItem::of_character(U'é')}, U'x'}},
       "1x",
       "name"},
      {"label outside ASCII", {{{1, 2}, {ExpectedItem::of_label("zählung")}, U'x'}}, "1x", "name"},
      {"reversed span", {{{2, 1}, {}, U'x'}}, "1x", "name"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(PlainReport(c.errors, c.source, c.source_name).holds());
  }
}

}  // namespace
}  // namespace kolvi::diagnostics
