// The values of every kind: order, equality, text forms, copies and size.
#include "version/version.hpp"

#include <gtest/gtest.h>

#include <compare>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "values.hpp"

namespace kolvi::version {
namespace {

const char* name(std::strong_ordering order) {
  return order == 0 ? "equal" : order < 0 ? "less" : "greater";
}

template <class T>
void expect_order(const T& a, const T& b, std::strong_ordering expected) {
  EXPECT_STREQ(name(a <=> b), name(expected)) << debug(a) << " vs " << debug(b);
  EXPECT_EQ(a == b, expected == 0) << debug(a) << " vs " << debug(b);
  EXPECT_STREQ(name(b <=> a), name(0 <=> (expected))) << "antisymmetry";
}

constexpr auto less = std::strong_ordering::less;
constexpr auto equal = std::strong_ordering::equal;
constexpr auto greater = std::strong_ordering::greater;

TEST(SemVerOrder, WorkedExamplesAndEdges) {
  struct Case {
    SemVer a, b;
    std::strong_ordering order;
  };
  const Case cases[] = {
      {semver(1, 2, 3), semver(1, 2, 4), less},
      {semver(1, 9, 0), semver(1, 10, 0), less},
      {semver(1, 2, 3, TextList{"rc1"}), semver(1, 2, 3), less},
      {semver(1, 2, 3, TextList{"alpha"}), semver(1, 2, 3, TextList{"alpha", "1"}), less},
      {semver(1, 2, 3, TextList{"beta"}), semver(1, 2, 3, TextList{"alpha", "1"}), greater},
      {semver(1, 2, 3, TextList{"rc", "10"}), semver(1, 2, 3, TextList{"rc", "9"}), less},
      {semver(1, 2, 3, TextList{"RC1"}), semver(1, 2, 3, TextList{"rc1"}), less},
      {semver(1, 2, 3, {}, TextList{"build", "5"}), semver(1, 2, 3), equal},
      {semver(1, 2, 3, TextList{"rc1"}, TextList{"a"}),
       semver(1, 2, 3, TextList{"rc1"}, TextList{"b"}), equal},
      {semver(4294967295, 0, 0), semver(0, 0, 0), greater},
      {semver(1, 2, 3, TextList{}), semver(1, 2, 3), less},
      {semver(1, 2, 3, TextList{}), semver(1, 2, 3, TextList{""}), less},
      {semver(1, 2, 3, TextList{"z"}), semver(1, 2, 3, TextList{"\xC3\xA9"}), less},
  };
  for (const auto& c : cases)
    expect_order(c.a, c.b, c.order);
}

TEST(DotSeparatedOrder, TextNotNumbers) {
  struct Case {
    TextList a, b;
    std::strong_ordering order;
  };
  const Case cases[] = {
      {{"1", "10"}, {"1", "9"}, less},
      {{"1", "2"}, {"1", "2", "0"}, less},
      {{}, {""}, less},
      {{}, {"0"}, less},
      {{"a"}, {"a"}, equal},
  };
  for (const auto& c : cases)
    expect_order(DotSeparated{c.a}, DotSeparated{c.b}, c.order);
}

TEST(OtherOrder, ByteWise) {
  struct Case {
    const char *a, *b;
    std::strong_ordering order;
  };
  const Case cases[] = {
      {"abd", "abc", greater}, {"ab", "abc", less},     {"", "a", less},
      {"Z", "a", less},        {"z", "\xC2\x80", less}, {"same", "same", equal},
  };
  for (const auto& c : cases)
    expect_order(Other{c.a}, Other{c.b}, c.order);
}

TEST(VersionOrder, KindRankDecidesFirst) {
  struct Case {
    Version a, b;
    std::strong_ordering order;
  };
  const Case cases[] = {
      {Version(semver(99, 0, 0)), Version(DotSeparated{{"0"}}), less},
      {Version(DotSeparated{{"2024", "1"}}), Version(Other{"a_b"}), less},
      {Version(semver(1, 2, 3, {}, TextList{"x"})), Version(semver(1, 2, 3)), equal},
      {Version(semver(4294967295, 0, 0)), Version(DotSeparated{}), less},
      {Version(DotSeparated{{"1", "2", "3"}}), Version(semver(1, 2, 3)), greater},
  };
  for (const auto& c : cases)
    expect_order(c.a, c.b, c.order);
}

TEST(TextForms, WorkedExamples) {
  struct Case {
    Version value;
    const char* display;
    const char* debug;
  };
  const Case cases[] = {
      {Version(semver(1, 2, 3)), "1.2.3",
       "Version::SemVer { major: 1, minor: 2, patch: 3, rc: None, meta: None }"},
      {Version(semver(1, 2, 3, TextList{"rc", "1"}, TextList{"build", "5"})), "1.2.3-rc.1+build.5",
       "Version::SemVer { major: 1, minor: 2, patch: 3, rc: Some([\"rc\", \"1\"]), meta: "
       "Some([\"build\", \"5\"]) }"},
      {Version(semver(0, 10, 0, {}, TextList{"x"})), "0.10.0+x",
       "Version::SemVer { major: 0, minor: 10, patch: 0, rc: None, meta: Some([\"x\"]) }"},
      {Version(semver(1, 2, 3, TextList{})), "1.2.3-",
       "Version::SemVer { major: 1, minor: 2, patch: 3, rc: Some([]), meta: None }"},
      {Version(semver(1, 2, 3, TextList{}, TextList{})), "1.2.3-+",
       "Version::SemVer { major: 1, minor: 2, patch: 3, rc: Some([]), meta: Some([]) }"},
      {Version(semver(4294967295, 0, 0)), "4294967295.0.0",
       "Version::SemVer { major: 4294967295, minor: 0, patch: 0, rc: None, meta: None }"},
      {Version(DotSeparated{{"1", "10", "x"}}), "1.10.x",
       "Version::DotSeparated { parts: [\"1\", \"10\", \"x\"] }"},
      {Version(DotSeparated{}), "", "Version::DotSeparated { parts: [] }"},
      {Version(DotSeparated{{"1.2"}}), "1.2", "Version::DotSeparated { parts: [\"1.2\"] }"},
      {Version(Other{"dev"}), "dev", "Version::Other { value: \"dev\" }"},
      {Version(Other{"main"}), "main", "Version::Other { value: \"main\" }"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(display(c.value), c.display);
    EXPECT_EQ(debug(c.value), c.debug);
  }
  EXPECT_EQ(debug(semver(1, 2, 3)),
            "SemVer { major: 1, minor: 2, patch: 3, rc: None, meta: None }");
  EXPECT_EQ(debug(DotSeparated{{"a"}}), "DotSeparated { parts: [\"a\"] }");
}

TEST(TextForms, QuotedTextEscapes) {
  struct Case {
    std::string value;
    const char* quoted;
  };
  const Case cases[] = {
      {"a\"\nb", R"("a\"\nb")"},
      {std::string("\0\t\r\\", 4), R"("\0\t\r\\")"},
      {"it's", R"("it's")"},
      {"e\xCC\x81", R"("e\u{301}")"},                // combining acute accent
      {"\xC3\xA9", "\"\xC3\xA9\""},                  // é stays
      {"\xE2\x80\x8B", R"("\u{200b}")"},             // zero-width space (Cf)
      {"\xC2\xA0", R"("\u{a0}")"},                   // no-break space (Zs)
      {"\x7F\x01", R"("\u{7f}\u{1}")"},              // controls
      {"\xE2\x80\xA8", R"("\u{2028}")"},             // line separator
      {"\xEE\x80\x80", R"("\u{e000}")"},             // private use
      {"\xF0\x9F\x98\x80", "\"\xF0\x9F\x98\x80\""},  // emoji is printable
      {"a b", R"("a b")"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(debug(Other{c.value}), std::string("Other { value: ") + c.quoted + " }");
    EXPECT_EQ(display(Other{c.value}), c.value) << "display form is never escaped";
  }
}

TEST(Values, CopiesAreDeep) {
  SemVer original = semver(1, 2, 3, TextList{"rc"}, TextList{"m"});
  SemVer copy = original;
  copy.rc->push_back("2");
  copy.meta.reset();
  EXPECT_EQ(*original.rc, TextList{"rc"});
  ASSERT_TRUE(original.meta.has_value());

  Version wrapped(original);
  original.rc.emplace();
  EXPECT_EQ(*wrapped.get_if<SemVer>()->rc, TextList{"rc"});
  EXPECT_EQ(wrapped.get_if<Other>(), nullptr);
  EXPECT_EQ(wrapped.kind_rank(), 0u);
  EXPECT_EQ(Version(Other{}).kind_name(), "Other");
}

TEST(Values, SemVerStaysCompact) {
  EXPECT_LE(sizeof(SemVer), 32u);
}

TEST(VersionOrder, RandomValuesFormATotalOrder) {
  RandomValues random(20261208);
  std::vector<Version> values;
  for (int i = 0; i < 60; ++i)
    values.push_back(random.version());
  for (const auto& a : values) {
    for (const auto& b : values) {
      const auto ab = a <=> b;
      EXPECT_EQ(ab == 0, a == b);
      EXPECT_EQ(ab, 0 <=> (b <=> a));
      for (const auto& c : values) {
        if (ab <= 0 && (b <=> c) <= 0) {
          EXPECT_TRUE((a <=> c) <= 0) << "transitivity";
        }
      }
    }
  }
}

}  // namespace
}  // namespace kolvi::version
