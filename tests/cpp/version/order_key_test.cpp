// Order keys against the order of the values themselves: every decided key comparison agrees
// with it, short values get keys that decide everything, and only long shared beginnings defer.
#include "version/order_key.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "values.hpp"

namespace kolvi::version {
namespace {

Version parsed(std::string_view text) {
  auto result = parse_version(text);
  EXPECT_TRUE(result.ok()) << text;
  return std::move(result.value());
}

// Ascending by the value order; neighbours marked equal compare equal.
struct OrderCase {
  std::string_view name;
  std::vector<std::string_view> ascending;
};

const OrderCase kOrderCases[] = {
    {"numbers are unsigned and compared as numbers",
     {"0.0.0", "0.0.1", "0.1.0", "1.0.0", "1.9.0", "1.10.0", "2.0.0", "4294967295.0.0"}},
    {"bit lengths from 0 to 32", {"1.2.3", "1.2.4", "1.2.8", "1.2.255", "1.2.256", "1.2.65536"}},
    {"release candidates below the release",
     {"1.2.3-", "1.2.3-0", "1.2.3-RC1", "1.2.3-alpha", "1.2.3-alpha.1", "1.2.3-alpha.1.a",
      "1.2.3-alpha-1", "1.2.3-beta", "1.2.3-rc.10", "1.2.3-rc.9", "1.2.3"}},
    {"a separator below every identifier character", {"1.0.0-a.b", "1.0.0-a-", "1.0.0-a0"}},
    {"kinds by rank", {"99.0.0", "", "0", "a_b"}},
    {"dot-separated parts as text",
     {"", "-", "-.-", "1", "1.10", "1.2", "1.2.0.0", "1.2-", "1.20", "1.9", "10", "A", "a"}},
    {"other values as bytes", {"_", "a_", "ab_", "abc_", "\xc3\xa9", "\xc3\xa9\xc3\xa9"}},
    {"long shared beginnings",
     {"1.0.0-aaaaaaaaaaaaaaaa.1", "1.0.0-aaaaaaaaaaaaaaaa.2", "1.0.0", "aaaaaaaaaaaaaaaa.1",
      "aaaaaaaaaaaaaaaa.2", "aaaaaaaaaaaaaaaa_1", "aaaaaaaaaaaaaaaa_2"}},
};

// The key comparison when it decides, else the values'.
std::strong_ordering key_order(const Version& a, const Version& b) {
  const auto decided = compare_keys(order_key(a), order_key(b));
  return decided ? *decided : a <=> b;
}

// Each neighbour is below the next, by the values and by the key order.
void expect_ascending(const std::vector<Version>& ascending) {
  for (std::size_t i = 0; i + 1 < ascending.size(); ++i) {
    const Version& lower = ascending[i];
    const Version& higher = ascending[i + 1];
    SCOPED_TRACE(debug(lower) + " < " + debug(higher));
    ASSERT_EQ(lower <=> higher, std::strong_ordering::less);
    EXPECT_EQ(key_order(lower, higher), std::strong_ordering::less);
    EXPECT_EQ(key_order(higher, lower), std::strong_ordering::greater);
  }
}

TEST(OrderKey, OrdersLikeTheValues) {
  for (const OrderCase& c : kOrderCases) {
    SCOPED_TRACE(c.name);
    std::vector<Version> ascending;
    for (const std::string_view text : c.ascending)
      ascending.push_back(parsed(text));
    expect_ascending(ascending);
  }
}

Version dotted(TextList parts) {
  return Version(DotSeparated{std::move(parts)});
}
Version other(std::string value) {
  return Version(Other{std::move(value)});
}

// Values built from fields hold what no parse makes: empty lists and texts, control bytes, bytes
// outside ASCII, '.' inside a part.
struct BuiltCase {
  std::string_view name;
  std::vector<Version> ascending;
};

const std::string kNul(1, '\0');
const std::string kTenNuls(10, '\0');

TEST(OrderKey, OrdersBuiltValuesLikeTheValues) {
  const BuiltCase cases[] = {
      {"empty lists and texts, then bytes in their order",
       {dotted({}), dotted({""}), dotted({"", ""}), dotted({"", kNul}), dotted({kNul}),
        dotted({kNul, "a"}), dotted({"\x1F"}), dotted({" "}), dotted({"."}), dotted({".", ""}),
        dotted({"a"}), dotted({"a", ""}), dotted({"a."}), dotted({"~"}), dotted({"\x7F"}),
        dotted({"\xC3\xA9"}), dotted({kLargest})}},
      {"release candidates from fields",
       {Version(semver(1, 2, 3, TextList{})), Version(semver(1, 2, 3, TextList{""})),
        Version(semver(1, 2, 3, TextList{"", ""})), Version(semver(1, 2, 3, TextList{kNul})),
        Version(semver(1, 2, 3, TextList{kLargest})), Version(semver(1, 2, 3))}},
      {"all zero bits up to the cut",
       {Version(semver(0, 0, 0, TextList{})), Version(semver(0, 0, 0, TextList{kTenNuls})),
        Version(semver(0, 0, 0, TextList{kTenNuls + "a"})), Version(semver(0, 0, 0)),
        dotted({kTenNuls}), dotted({kTenNuls + kNul}), other(kTenNuls), other(kTenNuls + kNul)}},
      {"other values with any bytes",
       {other(""), other(kNul), other(kNul + kNul), other("\x01"), other("a"), other("a" + kNul),
        other("a\x1F"), other("a~"), other("a\x7F"), other("a\xC3\xA9"), other("a" + kLargest)}},
  };
  for (const BuiltCase& c : cases) {
    SCOPED_TRACE(c.name);
    expect_ascending(c.ascending);
  }
}

// 0 is free to mean "no key yet": no value has it, alone or inside a Version.
TEST(OrderKey, IsNeverZero) {
  const Version values[] = {
      Version(semver(0, 0, 0)),
      Version(semver(0, 0, 0, TextList{})),
      Version(semver(0, 0, 0, TextList{""})),
      Version(semver(0, 0, 0, TextList{kTenNuls})),
      Version(semver(0, 0, 0, TextList{"", "", "", "", "", "", "", "", "", ""})),
      dotted({}),
      dotted({kTenNuls}),
      other(""),
      other(kTenNuls),
  };
  for (const Version& value : values) {
    SCOPED_TRACE(debug(value));
    const std::uint64_t key = order_key(value);
    EXPECT_NE(key, 0U);
    std::visit([&](const auto& held) { EXPECT_EQ(order_key(held), key); }, value.value());
  }
}

// The key that a kind without a code of its own gets, called here for kinds that have one: it
// must keep the kinds in rank order and leave every comparison within the kind to the values.
TEST(OrderKey, RankOnlyKeysKeepKindsApartAndDeferTheRest) {
  const std::uint64_t dotted_rank = order_key<DotSeparated>(DotSeparated{});
  const std::uint64_t other_rank = order_key<Other>(Other{});
  EXPECT_EQ(compare_keys(dotted_rank, dotted_rank), std::nullopt);
  EXPECT_EQ(compare_keys(other_rank, other_rank), std::nullopt);
  for (const std::string_view text : {"0.0.0", "4294967295.4294967295.4294967295-zzz"}) {
    SCOPED_TRACE(text);
    EXPECT_LT(order_key(parsed(text)), dotted_rank);
  }
  for (const std::string_view text : {"", "zzzzzzzzzzzzzzzzzzzz.1"}) {
    SCOPED_TRACE(text);
    EXPECT_LT(order_key(parsed(text)), other_rank);
  }
  EXPECT_GT(order_key(parsed("_")), dotted_rank);
}

TEST(OrderKey, EqualValuesHaveEqualKeys) {
  const std::pair<std::string_view, std::string_view> kEqual[] = {
      {"1.2.3+a", "1.2.3+b"},
      {"1.2.3-rc.1+a", "v1.2.3-rc.1"},
      {"01.002.0003", "1.2.3"},
      {"4294967296.0.0", "0.0.0"},
  };
  for (const auto& [a, b] : kEqual) {
    SCOPED_TRACE(std::string(a) + " = " + std::string(b));
    EXPECT_EQ(order_key(parsed(a)), order_key(parsed(b)));
    EXPECT_EQ(compare_keys(order_key(parsed(a)), order_key(parsed(b))),
              std::strong_ordering::equal);
  }
}

// Typical versions fit whole, so sorting them never goes back to the lines.
TEST(OrderKey, ShortValuesAreDecidedByTheirKeys) {
  for (const std::string_view text :
       {"1.24.0-2", "12.2.0-13c", "2.36.1+deb12u1", "0.3.0.1", "2023.1", "abcde_"}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(order_key(parsed(text)) & 1, 1U);
  }
  EXPECT_EQ(order_key(parsed("1.0.0-aaaaaaaaaaaaaaaa")) & 1, 0U);
}

// Random versions built from few pieces share long beginnings and often tie.
class RandomVersions {
 public:
  std::string next() {
    std::string out;
    switch (random_() % 3) {
      case 0:
        add_semver(out);
        break;
      case 1:
        add_identifiers(out);
        break;
      default:
        out += '_';
        add_piece(out);
        add_piece(out);
    }
    return out;
  }

 private:
  void add_piece(std::string& out) {
    static constexpr std::string_view kPieces[] = {
        "0", "1", "9", "10", "4294967295", "a", "A", "-", "rc", "aaaaaaaa", "_", "\xc3\xa9"};
    out += kPieces[random_() % std::size(kPieces)];
  }
  void add_identifiers(std::string& out) {
    add_piece(out);
    while (random_() % 3 != 0) {
      out += '.';
      add_piece(out);
    }
  }
  void add_semver(std::string& out) {
    for (int number = 0; number < 3; ++number) {
      if (number > 0) out += '.';
      add_piece(out);
    }
    if (random_() % 2 != 0) {
      out += '-';
      add_identifiers(out);
    }
    if (random_() % 4 == 0) {
      out += '+';
      add_identifiers(out);
    }
  }

  std::mt19937 random_{20261208};
};

TEST(OrderKey, AgreesWithTheValuesOnRandomParsedVersions) {
  RandomVersions versions;
  for (int round = 0; round < 100'000; ++round) {
    const std::string a = versions.next();
    const std::string b = versions.next();
    const auto va = parse_version(a);
    const auto vb = parse_version(b);
    if (!va.ok() || !vb.ok()) continue;
    const auto decided = compare_keys(order_key(va.value()), order_key(vb.value()));
    if (!decided) continue;
    ASSERT_EQ(*decided, va.value() <=> vb.value()) << a << " vs " << b;
  }
}

// Every pair of random built values: equal values have equal keys, a decided key comparison is
// the value order, and some pairs are left to the values, so that path is taken too.
TEST(OrderKey, AgreesWithTheValuesOnRandomBuiltValues) {
  RandomValues random(20261209);
  std::vector<Version> values;
  for (int i = 0; i < 400; ++i)
    values.push_back(random.version());
  int undecided = 0;
  for (const Version& a : values) {
    const std::uint64_t a_key = order_key(a);
    ASSERT_NE(a_key, 0U) << debug(a);
    for (const Version& b : values) {
      const std::strong_ordering order = a <=> b;
      const auto decided = compare_keys(a_key, order_key(b));
      if (order == 0) {
        ASSERT_EQ(a_key, order_key(b)) << debug(a) << " = " << debug(b);
      }
      if (!decided) {
        ++undecided;
        continue;
      }
      ASSERT_EQ(*decided, order) << debug(a) << " vs " << debug(b);
    }
  }
  EXPECT_GT(undecided, 0);
}

}  // namespace
}  // namespace kolvi::version
