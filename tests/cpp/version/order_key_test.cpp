// Order keys against the order of the values themselves: every decided key comparison agrees
// with it, short values get keys that decide everything, and only long shared beginnings defer.
#include "version/order_key.hpp"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

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

TEST(OrderKey, OrdersLikeTheValues) {
  for (const OrderCase& c : kOrderCases) {
    SCOPED_TRACE(c.name);
    for (std::size_t i = 0; i + 1 < c.ascending.size(); ++i) {
      SCOPED_TRACE(std::string(c.ascending[i]) + " < " + std::string(c.ascending[i + 1]));
      const Version lower = parsed(c.ascending[i]);
      const Version higher = parsed(c.ascending[i + 1]);
      ASSERT_EQ(lower <=> higher, std::strong_ordering::less);
      EXPECT_EQ(key_order(lower, higher), std::strong_ordering::less);
      EXPECT_EQ(key_order(higher, lower), std::strong_ordering::greater);
    }
  }
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

TEST(OrderKey, AgreesWithTheValuesOnRandomVersions) {
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

}  // namespace
}  // namespace kolvi::version
