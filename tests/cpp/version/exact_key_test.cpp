// Exact order keys: the documented bytes of format 1, and over random pairs of every class (the
// full range of numbers, empty lists and texts, NUL and non-ASCII bytes) the byte order of the
// keys is the order of the values and equal keys mean equal values.
#include "version/exact_key.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "values.hpp"

namespace kolvi::version {
namespace {

using namespace std::string_literals;

std::string hex(const std::string& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (const char byte : bytes) {
    const auto value = static_cast<unsigned char>(byte);
    out += kDigits[value >> 4];
    out += kDigits[value & 0xF];
  }
  return out;
}

TEST(ExactKey, DocumentedBytes) {
  const struct {
    const char* name;
    std::string key;
    const char* bytes;
  } cases[] = {
      {"a release", exact_key(semver(1, 2, 3)), "0101020301"},
      {"meta is not in the key", exact_key(semver(1, 2, 3, {}, TextList{"build"})), "0101020301"},
      {"a pre-release", exact_key(semver(1, 2, 3, TextList{"rc", "1"})), "01010203007263003100"},
      {"an empty rc", exact_key(semver(0, 0, 0, TextList{})), "0100000000"},
      {"1-byte number", exact_key(semver(0x7F, 0, 0)), "017f000001"},
      {"2-byte numbers", exact_key(semver(0x80, 0x3FFF, 0)), "018080bfff0001"},
      {"3-byte numbers", exact_key(semver(0x4000, 0x1FFFFF, 0)), "01c04000dfffff0001"},
      {"4-byte numbers", exact_key(semver(0x200000, 0xFFFFFFF, 0)), "01e0200000efffffff0001"},
      {"5-byte numbers", exact_key(semver(0x10000000, 0xFFFFFFFF, 0)),
       "01f010000000f0ffffffff0001"},
      {"no parts", exact_key(DotSeparated{}), "01"},
      {"one empty part", exact_key(DotSeparated{{""}}), "0100"},
      {"parts", exact_key(DotSeparated{{"2024", "10"}}), "013230323400313000"},
      {"escaped low bytes", exact_key(DotSeparated{{"a\0b"s, "\x01\x02"}}), "01610101620001020200"},
      {"other", exact_key(Other{"x\0"s}), "017800"},
      {"Version of SemVer", exact_key(Version(semver(1, 2, 3))), "010001020301"},
      {"Version of DotSeparated", exact_key(Version(DotSeparated{{"a"}})), "01016100"},
      {"Version of Other", exact_key(Version(Other{"a"})), "010261"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(hex(c.key), c.bytes) << c.name;
}

// The sizes of the documented keys, every form of a number and escape among them.
TEST(ExactKey, SizeIsTheKeysLength) {
  const SemVer semvers[] = {semver(0x7F, 0x80, 0x4000, TextList{"\0\1"s, ""}),
                            semver(0x200000, 0x10000000, 0xFFFFFFFF)};
  for (const SemVer& value : semvers) {
    EXPECT_EQ(exact_key_size(value), exact_key(value).size()) << debug(value);
    EXPECT_EQ(exact_key_size(Version(value)), exact_key(Version(value)).size()) << debug(value);
  }
  const DotSeparated parts{{"a\0b"s, "\x01\x02", ""}};
  EXPECT_EQ(exact_key_size(parts), exact_key(parts).size());
  EXPECT_EQ(exact_key_size(Version(parts)), exact_key(Version(parts)).size());
  const Other other{"x\0"s};
  EXPECT_EQ(exact_key_size(other), exact_key(other).size());
  EXPECT_EQ(exact_key_size(Version(other)), exact_key(Version(other)).size());
}

// Numbers around every boundary between forms, and anywhere in the range.
class RandomNumbers {
 public:
  explicit RandomNumbers(unsigned seed) : rng_(seed) {}
  std::uint32_t next() {
    static constexpr std::uint32_t kEdges[] = {
        0, 0x7F, 0x80, 0x3FFF, 0x4000, 0x1FFFFF, 0x200000, 0xFFFFFFF, 0x10000000, 0xFFFFFFFF};
    std::uint32_t edge = kEdges[rng_() % std::size(kEdges)];
    switch (rng_() % 4) {
      case 0:
        return static_cast<std::uint32_t>(rng_());
      case 1:
        return edge == 0xFFFFFFFF ? edge : edge + 1;
      case 2:
        return edge == 0 ? edge : edge - 1;
      default:
        return edge;
    }
  }

 private:
  std::mt19937 rng_;
};

template <class Value>
void expect_keys_order_like_values(const Value& a, const Value& b) {
  const std::string a_key = exact_key(a);
  const std::string b_key = exact_key(b);
  EXPECT_EQ(exact_key_size(a), a_key.size()) << debug(a);
  const int by_key = a_key.compare(b_key);
  const std::strong_ordering by_value = a <=> b;
  EXPECT_EQ(by_key < 0, by_value < 0) << debug(a) << " vs " << debug(b);
  EXPECT_EQ(by_key > 0, by_value > 0) << debug(a) << " vs " << debug(b);
  EXPECT_EQ(a_key == b_key, a == b) << debug(a) << " vs " << debug(b);
}

TEST(ExactKey, OrdersLikeTheValuesOnRandomPairs) {
  RandomValues values(20261209);
  RandomNumbers numbers(7);
  const auto random_semver = [&] {
    SemVer value = values.semver();
    // Small numbers tie often, so that rc decides; the others cover every form of a number.
    value.major = values.text().size() % 2 ? numbers.next() : value.major;
    value.minor = values.text().size() % 3 ? numbers.next() % 3 : numbers.next();
    return value;
  };
  for (int round = 0; round < 30000; ++round) {
    expect_keys_order_like_values(random_semver(), random_semver());
    expect_keys_order_like_values(DotSeparated{values.list()}, DotSeparated{values.list()});
    expect_keys_order_like_values(Other{values.text()}, Other{values.text()});
    expect_keys_order_like_values(values.version(), values.version());
  }
}

// A Version's key is its kind's key with the rank after the format byte.
TEST(ExactKey, VersionKeyIsTheRankThenTheKindsKey) {
  RandomValues values(99);
  for (int round = 0; round < 2000; ++round) {
    const Version version = values.version();
    const std::string kind_key =
        std::visit([](const auto& held) { return exact_key(held); }, version.value());
    EXPECT_EQ(exact_key(version),
              kind_key.substr(0, 1) + static_cast<char>(version.kind_rank()) + kind_key.substr(1));
  }
}

}  // namespace
}  // namespace kolvi::version
