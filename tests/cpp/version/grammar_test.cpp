// The grammar: successes, failures with their expected items, the failure record's rules, and
// scans over long input.
#include "version/grammar.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/linear_growth.hpp"
#include "support/random_texts.hpp"
#include "version/version.hpp"

namespace kolvi::version {
namespace {

using namespace std::string_view_literals;
using grammar::Expected;
using grammar::FailureRecord;
using version::ParseError;

enum class Operation { semver, dot_separated, other, version };

std::optional<ParseError> failure_of(Operation operation, std::string_view text) {
  const auto first_error = [](const auto& result) -> std::optional<ParseError> {
    if (result.ok()) return std::nullopt;
    EXPECT_EQ(result.errors().size(), 1U);
    return result.errors().front();
  };
  switch (operation) {
    case Operation::semver:
      return first_error(parse_semver(text));
    case Operation::dot_separated:
      return first_error(parse_dot_separated(text));
    case Operation::other:
      return first_error(parse_other(text));
    case Operation::version:
      return first_error(parse_version(text));
  }
  return std::nullopt;
}

struct SemVerCase {
  std::string_view text;
  std::uint32_t major, minor, patch;
  std::optional<TextList> rc, meta;
};

std::optional<TextList> list_of(const OptionalTextList& list) {
  if (!list.has_value()) return std::nullopt;
  return *list;
}

TEST(ParseSemVer, Successes) {
  const std::optional<TextList> absent;
  const SemVerCase cases[] = {
      {"1.2.3", 1, 2, 3, absent, absent},
      {"v1.2.3", 1, 2, 3, absent, absent},
      {"01.002.0003", 1, 2, 3, absent, absent},
      {"4294967295.0.0", 4294967295U, 0, 0, absent, absent},
      {"4294967296.0.0", 0, 0, 0, absent, absent},
      {"99999999999999999999.1.1", 0, 1, 1, absent, absent},
      // 2^64 and 10 * 2^64: a 64-bit accumulator would wrap back to small values here.
      {"18446744073709551616.0.0", 0, 0, 0, absent, absent},
      {"184467440737095516160.0.7", 0, 0, 7, absent, absent},
      {"1.2.3-rc.1", 1, 2, 3, TextList{"rc", "1"}, absent},
      {"1.2.3+build.5", 1, 2, 3, absent, TextList{"build", "5"}},
      {"1.2.3-alpha-1+exp.sha-5114f85", 1, 2, 3, TextList{"alpha-1"},
       TextList{"exp", "sha-5114f85"}},
      {"1.2.3-", 1, 2, 3, TextList{}, absent},
      {"1.2.3+", 1, 2, 3, absent, TextList{}},
      {"1.2.3-+", 1, 2, 3, TextList{}, TextList{}},
      {"1.2.3--", 1, 2, 3, TextList{"-"}, absent},
      {"0.0.0-a.b.c.d.e.f.g.h.i.j", 0, 0, 0,
       TextList{"a", "b", "c", "d", "e", "f", "g", "h", "i", "j"}, absent},
  };
  for (const SemVerCase& c : cases) {
    SCOPED_TRACE(c.text);
    const ParseResult<SemVer> result = parse_semver(c.text);
    ASSERT_TRUE(result.ok());
    const SemVer& v = result.value();
    EXPECT_EQ(v.major, c.major);
    EXPECT_EQ(v.minor, c.minor);
    EXPECT_EQ(v.patch, c.patch);
    EXPECT_EQ(list_of(v.rc), c.rc);
    EXPECT_EQ(list_of(v.meta), c.meta);
  }
}

TEST(ParseKinds, Successes) {
  const struct {
    std::string_view text;
    TextList parts;
  } dotted[] = {{"", {}},
                {"a", {"a"}},
                {"1.0-beta.2", {"1", "0-beta", "2"}},
                {"-.-", {"-", "-"}},
                {"-", {"-"}},
                {"007.x", {"007", "x"}}};
  for (const auto& c : dotted) {
    SCOPED_TRACE(c.text);
    const ParseResult<DotSeparated> result = parse_dot_separated(c.text);
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result.value().parts, c.parts);
  }
  for (const std::string_view text : {"abc", "_x", "a1_b", "é", "日本", "_"}) {
    SCOPED_TRACE(text);
    const ParseResult<Other> result = parse_other(text);
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result.value().value, text);
  }
}

TEST(ParseVersion, ChoosesTheFirstKindThatParses) {
  const struct {
    std::string_view text;
    Version expected;
  } cases[] = {
      {"1.2.3", Version(SemVer{1, 2, 3, {}, {}})},
      {"v1.2.3", Version(SemVer{1, 2, 3, {}, {}})},
      {"1.2", Version(DotSeparated{{"1", "2"}})},
      {"1.2.3.4", Version(DotSeparated{{"1", "2", "3", "4"}})},
      {"abc", Version(DotSeparated{{"abc"}})},
      {"v1.2", Version(DotSeparated{{"v1", "2"}})},
      {"", Version(DotSeparated{})},
      {"a_b", Version(Other{"a_b"})},
      {"é", Version(Other{"é"})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const ParseResult<Version> result = parse_version(c.text);
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result.value().kind_rank(), c.expected.kind_rank());
    EXPECT_EQ(result.value(), c.expected);
  }
}

struct FailureCase {
  Operation operation;
  std::string_view text;
  std::size_t position;
  std::string_view message;
};

TEST(ParseFailures, PositionAndMessage) {
  using enum Operation;
  const FailureCase cases[] = {
      {semver, "1.2.x", 4, "found 'x' expected integer"},
      {semver, "1.2", 3, "found end of input expected digit, or '.'"},
      {semver, "1.2.3.4", 5, "found '.' expected digit, '-', '+', or end of input"},
      {semver, "", 0, "found end of input expected 'v', or integer"},
      {semver, "V1.2.3", 0, "found 'V' expected 'v', or integer"},
      {semver, "1.2.3-a..b", 8, "found '.' expected alphanumeric or '-'"},
      {semver, "1.2.3-.", 6, "found '.' expected dot-separated list, '+', or end of input"},
      {semver, " 1.2.3", 0, "found ' ' expected 'v', or integer"},
      {semver, "1.2.3 ", 5, "found ' ' expected digit, '-', '+', or end of input"},
      {semver, ".", 0, "found '.' expected 'v', or integer"},
      {semver, "-", 0, "found '-' expected 'v', or integer"},
      {semver, "1.2.3-rc.", 9, "found end of input expected alphanumeric or '-'"},
      {dot_separated, "a..b", 2, "found '.' expected alphanumeric or '-'"},
      {dot_separated, "a.", 2, "found end of input expected alphanumeric or '-'"},
      {dot_separated, ".a", 0, "found '.' expected dot-separated list, or end of input"},
      {dot_separated, "a_b", 1, "found '_' expected alphanumeric or '-', '.', or end of input"},
      {dot_separated, "é", 0, "found 'é' expected dot-separated list, or end of input"},
      {other, "", 0, "found end of input expected identifier"},
      {other, "1abc", 0, "found '1' expected identifier"},
      {other, "a-b", 1, "found '-' expected identifier, or end of input"},
      {other, "-", 0, "found '-' expected identifier"},
      {version, "1.2.3_", 5,
       "found '_' expected digit, '-', '+', end of input, alphanumeric or '-', or '.'"},
      {version, "1.2_", 3, "found '_' expected digit, '.', alphanumeric or '-', or end of input"},
      {version, ".", 0,
       "found '.' expected 'v', integer, dot-separated list, end of input, or identifier"},
      // Control characters, NUL included, are written as themselves.
      {semver, "1.2.3\0"sv, 5, "found '\0' expected digit, '-', '+', or end of input"sv},
      {other, "a\tb", 1, "found '\t' expected identifier, or end of input"},
      {version, "a\x01", 1,
       "found '\x01' expected alphanumeric or '-', '.', end of input, or identifier"},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.text);
    const std::optional<ParseError> error = failure_of(c.operation, c.text);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->span.start, c.position);
    EXPECT_EQ(error->message(), c.message);
  }
}

TEST(ParseFailures, SpanCoversTheFoundCharacter) {
  const struct {
    Operation operation;
    std::string_view text;
    version::Span span;
  } cases[] = {
      {Operation::dot_separated, "é", {0, 2}}, {Operation::other, "abéx-", {5, 6}},
      {Operation::other, "ab€x", {2, 5}},      {Operation::other, "a😀", {1, 5}},
      {Operation::semver, "1.2", {3, 3}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const std::optional<ParseError> error = failure_of(c.operation, c.text);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->span, c.span);
  }
}

// Builds a record from single-item failures, as primitive steps would.
FailureRecord record_of(std::size_t position, std::initializer_list<Expected> items) {
  FailureRecord record;
  for (const Expected item : items)
    record.record(position, item);
  return record;
}

std::vector<Expected> items_of(const FailureRecord& record) {
  return {record.expected().begin(), record.expected().end()};
}

TEST(FailureRecord, SingleItemRecording) {
  FailureRecord record = record_of(3, {Expected::dot, Expected::dot, Expected::digit});
  EXPECT_EQ(items_of(record), (std::vector{Expected::dot, Expected::digit}));

  record.record(1, Expected::plus);  // earlier: dropped
  EXPECT_EQ(record.position(), 3U);
  EXPECT_EQ(items_of(record), (std::vector{Expected::dot, Expected::digit}));

  record.record(5, Expected::minus);  // later: replaces the longer list
  EXPECT_EQ(record.position(), 5U);
  EXPECT_EQ(items_of(record), (std::vector{Expected::minus}));
}

TEST(FailureRecord, Merge) {
  using enum Expected;
  const struct {
    const char* name;
    FailureRecord outer, inner;
    std::size_t position;
    std::vector<Expected> expected;
  } cases[] = {
      {"outer empty", {}, record_of(2, {digit}), 2, {digit}},
      {"inner empty", record_of(2, {digit}), {}, 2, {digit}},
      {"inner later", record_of(2, {digit, dot, plus}), record_of(4, {minus}), 4, {minus}},
      {"inner earlier", record_of(4, {minus}), record_of(2, {digit, dot}), 4, {minus}},
      {"duplicate kept once", record_of(3, {dot}), record_of(3, {dot}), 3, {dot}},
      {"equal lengths: outer first",
       record_of(3, {digit, dot}),
       record_of(3, {identifier_character, dot}),
       3,
       {digit, dot, identifier_character}},
      {"inner longer: inner first",
       record_of(3, {digit}),
       record_of(3, {identifier_character, dot}),
       3,
       {identifier_character, dot, digit}},
      {"'v' then integer", record_of(0, {v}), record_of(0, {integer}), 0, {v, integer}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FailureRecord merged = c.outer;
    merged.merge(c.inner);
    EXPECT_EQ(merged.position(), c.position);
    EXPECT_EQ(items_of(merged), c.expected);
  }
}

TEST(FailureRecord, ErrorNamesTheCharacterAtThePosition) {
  FailureRecord record = record_of(0, {Expected::v});
  record.merge(record_of(0, {Expected::integer}));
  EXPECT_EQ(record.to_error("V1.2.3").message(), "found 'V' expected 'v', or integer");
}

TEST(Cursor, LabelledRuleRelabelsOnlyAFailureAtItsStart) {
  grammar::Cursor at_start("x");
  at_start.match<'v'>();
  at_start.labelled(Expected::integer, [&] { return at_start.digit() >= 0; });
  EXPECT_EQ(items_of(at_start.record()), (std::vector{Expected::v, Expected::integer}));

  grammar::Cursor further("12x");
  further.labelled(Expected::integer, [&] {
    while (further.digit() >= 0) {
    }
    return true;
  });
  EXPECT_EQ(further.record().position(), 2U);
  EXPECT_EQ(items_of(further.record()), (std::vector{Expected::digit}));
}

// Random short texts over the grammar's interesting characters: Version agrees with the three
// kinds it tries, and when all fail its error sits at the furthest of their failures.
TEST(ParseVersion, AgreesWithTheKindsOnRandomInput) {
  for (const std::string& text : testing::random_grammar_texts(20000)) {
    SCOPED_TRACE(text);

    const ParseResult<Version> version = parse_version(text);
    const ParseResult<SemVer> semver = parse_semver(text);
    const ParseResult<DotSeparated> dotted = parse_dot_separated(text);
    const ParseResult<Other> other = parse_other(text);
    if (semver.ok()) {
      ASSERT_TRUE(version.ok());
      EXPECT_EQ(version.value().kind_rank(), kind_rank_of<SemVer>);
    } else if (dotted.ok()) {
      ASSERT_TRUE(version.ok());
      EXPECT_EQ(version.value(), Version(dotted.value()));
    } else if (other.ok()) {
      ASSERT_TRUE(version.ok());
      EXPECT_EQ(version.value(), Version(other.value()));
    } else {
      ASSERT_FALSE(version.ok());
      const std::size_t furthest =
          std::max({semver.errors()[0].span.start, dotted.errors()[0].span.start,
                    other.errors()[0].span.start});
      const ParseError& error = version.errors()[0];
      EXPECT_EQ(error.span.start, furthest);
      EXPECT_LE(error.span.end, text.size());
      EXPECT_EQ(error.found.has_value(), error.span.start < text.size());
      EXPECT_FALSE(error.expected.empty());
    }
  }
}

// Every row's validity test accepts what its parse accepts and fails with the same error, on
// random texts and on the long shapes that build large lists.
TEST(CheckOperations, AgreeWithTheParses) {
  std::vector<std::string> texts = testing::random_grammar_texts(20000);
  std::string parts;
  for (int i = 0; i < 5000; ++i)
    parts += i == 0 ? "1" : ".1";
  for (const std::string_view tail : {"", "_", "-a.b+c.d"})
    texts.push_back(parts + std::string(tail));
  for (const std::string& text : texts) {
    SCOPED_TRACE(text.substr(0, 40));
    for (std::size_t row = 0; row < kParseTargetCount; ++row) {
      visit_target(row, [&]<class Target>(Target) {
        const auto parsed = Target::parse(text);
        const ParseResult<void> checked = Target::check(text);
        ASSERT_EQ(checked.ok(), parsed.ok()) << Target::name;
        if (parsed.ok()) return;
        const ParseError& expected = parsed.errors()[0];
        const ParseError& error = checked.errors()[0];
        EXPECT_EQ(error.span, expected.span);
        EXPECT_EQ(error.found, expected.found);
        EXPECT_EQ(error.expected, expected.expected);
      });
    }
  }
}

// The word-at-a-time class of identifier characters agrees with the byte table, for every byte in
// every position of a word.
TEST(Cursor, WordClassMatchesTheIdentifierTable) {
  for (unsigned value = 0; value < 256; ++value) {
    for (unsigned position = 0; position < 8; ++position) {
      const std::uint64_t w =
          (text::word::kOnes * 'a') ^ (std::uint64_t{value ^ 'a'} << (8 * position));
      const bool marked = (grammar::detail::non_identifier_bytes(w) >> (8 * position + 7)) & 1;
      EXPECT_EQ(marked, !grammar::detail::kIdentifierCharacter[value])
          << value << " at " << position;
    }
  }
}

// Identifier runs shorter and longer than a word, ended by a character that is not one.
TEST(ParseFailures, LongIdentifiersEndWhereTheirCharactersDo) {
  for (std::size_t length = 1; length <= 40; ++length) {
    for (const char stop : {'_', '.', '+', '\xc3'}) {
      SCOPED_TRACE(std::to_string(length) + " then " + std::to_string(stop));
      std::string text(length, 'a');
      text[length / 2] = '-';
      text += stop;
      if (stop == '\xc3') text += '\xa9';
      const std::optional<ParseError> error = failure_of(Operation::dot_separated, text);
      ASSERT_TRUE(error.has_value());
      // A '.' at the end is left unconsumed; the failure is after it, at end of input.
      EXPECT_EQ(error->span.start, stop == '.' ? length + 1 : length);
    }
  }
}

// Megabyte inputs parse to the right values and errors, and every shape of input takes time in
// proportion to its size: a quadratic step would show as growth far past 16 times.
TEST(ParseBadInput, LargeInputsStayLinear) {
  const std::size_t size = std::size_t{1} << 20;

  const ParseResult<SemVer> digits = parse_semver(std::string(size, '9') + ".1.2");
  ASSERT_TRUE(digits.ok());
  EXPECT_EQ(digits.value().major, 0U);

  const std::optional<ParseError> digits_only =
      failure_of(Operation::semver, std::string(size, '1'));
  ASSERT_TRUE(digits_only.has_value());
  EXPECT_EQ(digits_only->span.start, size);

  const std::string identifier(size, 'a');
  const ParseResult<Other> other = parse_other(identifier);
  ASSERT_TRUE(other.ok());
  EXPECT_EQ(other.value().value.size(), size);

  const ParseResult<Version> version = parse_version(identifier);
  ASSERT_TRUE(version.ok());
  EXPECT_EQ(version.value().kind_rank(), kind_rank_of<DotSeparated>);

  std::string dotted;
  for (std::size_t i = 0; i < size / 2; ++i)
    dotted += "a.";
  dotted.pop_back();
  const ParseResult<DotSeparated> parts = parse_dot_separated(dotted);
  ASSERT_TRUE(parts.ok());
  EXPECT_EQ(parts.value().parts.size(), size / 2);

  const std::optional<ParseError> dots = failure_of(Operation::version, std::string(size, '.'));
  ASSERT_TRUE(dots.has_value());
  EXPECT_EQ(dots->span.start, 0U);

  const struct {
    const char* name;
    std::string (*text_of)(std::size_t size);
  } shapes[] = {
      {"digits", [](std::size_t n) { return std::string(n, '9') + ".1.2"; }},
      {"identifier", [](std::size_t n) { return std::string(n, 'a'); }},
      {"parts",
       [](std::size_t n) {
         std::string text;
         for (std::size_t i = 0; i < n / 2; ++i)
           text += "a.";
         return text + "a";
       }},
      {"dots", [](std::size_t n) { return std::string(n, '.'); }},
  };
  for (const auto& shape : shapes) {
    SCOPED_TRACE(shape.name);
    const auto parse = [&](std::size_t n) {
      const std::string text = shape.text_of(n);
      const ParseResult<Version> result = parse_version(text);
      EXPECT_EQ(result.ok(), std::string_view(shape.name) != "dots");
    };
    EXPECT_LT(testing::growth_over_16_times_the_size(parse, size / 16),
              testing::kLinearGrowthLimit);
  }
}

}  // namespace
}  // namespace kolvi::version
