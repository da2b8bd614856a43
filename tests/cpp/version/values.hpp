// Test values of every kind: a SemVer from its fields, and random values with awkward texts.
#pragma once

#include <cstdint>
#include <iterator>
#include <optional>
#include <random>
#include <string>

#include "version/version.hpp"

namespace kolvi::version {

using Opt = std::optional<TextList>;

inline OptionalTextList to_optional(const Opt& list) {
  return list ? OptionalTextList(*list) : OptionalTextList();
}

inline SemVer semver(std::uint32_t major, std::uint32_t minor, std::uint32_t patch, Opt rc = {},
                     Opt meta = {}) {
  return SemVer{major, minor, patch, to_optional(rc), to_optional(meta)};
}

// U+10FFFF, the largest character, whose first byte is the highest that UTF-8 texts hold.
inline const std::string kLargest = "\xF4\x8F\xBF\xBF";

// Random values with the awkward texts: empty, dotted, control and non-ASCII bytes, long shared
// beginnings, empty lists.
class RandomValues {
 public:
  explicit RandomValues(unsigned seed) : rng_(seed) {}

  std::string text() {
    using namespace std::string_literals;
    static const std::string pool[] = {"",
                                       "a",
                                       "b",
                                       "1",
                                       "10",
                                       "9",
                                       ".",
                                       "a.b",
                                       "\xC3\xA9",
                                       "-",
                                       "Z",
                                       "~",
                                       "\0"s,
                                       "\x1F",
                                       "\x7F",
                                       kLargest,
                                       "aaaaaaaaaaaa",
                                       "aaaaaaaaaaaab",
                                       "\x01",
                                       "\x01\x01",
                                       "\x02",
                                       "\0\x01"s};
    return pool[pick(std::size(pool))];
  }
  TextList list() {
    TextList out;
    for (std::size_t count = pick(3); count > 0; --count)
      out.push_back(text());
    return out;
  }
  OptionalTextList optional_list() {
    return pick(3) == 0 ? OptionalTextList() : OptionalTextList(list());
  }
  SemVer semver() {
    return SemVer{static_cast<std::uint32_t>(pick(2)), 0,
                  static_cast<std::uint32_t>(pick(2) ? 4294967295u : 1), optional_list(),
                  optional_list()};
  }
  Version version() {
    switch (pick(3)) {
      case 0:
        return Version(semver());
      case 1:
        return Version(DotSeparated{list()});
      default:
        return Version(Other{text()});
    }
  }

 private:
  std::size_t pick(std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng_);
  }
  std::mt19937 rng_;
};

}  // namespace kolvi::version
