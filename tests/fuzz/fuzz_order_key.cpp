// Fuzzes order keys on values built from any bytes, as Python setters can make them. A 64-bit key
// is never 0, is the same for a kind alone and inside a Version, equal values have equal keys,
// and a key comparison that decides agrees with the order of the values. Exact keys compare as
// bytes exactly as the values do, of a kind alone and inside a Version, and are equal exactly
// when the values are.
//
// Input: a kind byte, a byte giving the length of the first value's bytes, then the two values'
// bytes. A value's texts each end at a 0xFF byte, which UTF-8 never holds; bytes after the last
// 0xFF make one more text. A SemVer takes its three numbers and whether rc is present from its
// first four bytes. Inputs with texts that are not UTF-8 are skipped, as Python never makes them.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "fuzz_checks.hpp"
#include "version/exact_key.hpp"
#include "version/order_key.hpp"

namespace {

using namespace kolvi;

bool all_utf8(const version::TextList& texts) {
  return std::all_of(texts.begin(), texts.end(),
                     [](std::string_view t) { return utf8::is_valid(t); });
}

// Nothing when a text is not UTF-8.
std::optional<version::TextList> texts_of(std::string_view bytes) {
  version::TextList texts;
  for (std::size_t end; (end = bytes.find('\xFF')) != std::string_view::npos;) {
    texts.push_back(bytes.substr(0, end));
    bytes.remove_prefix(end + 1);
  }
  if (!bytes.empty()) texts.push_back(bytes);
  if (!all_utf8(texts)) return std::nullopt;
  return texts;
}

// Small numbers tie often; bytes from 0xF0 up stand for the numbers around the boundaries of
// the exact key's number forms, 0xFF for the largest.
std::uint32_t number_of(char byte) {
  static constexpr std::uint32_t kEdges[] = {0x7F,       0x80,       0x3FFF,     0x4000,
                                             0x1FFFFF,   0x200000,   0xFFFFFFF,  0x10000000,
                                             0x10000001, 0x7FFFFFFF, 0xFFFFFFFE, 0xFFFFFFFF};
  const auto value = static_cast<unsigned char>(byte);
  if (value >= 0xF0) return kEdges[(value - 0xF0) % std::size(kEdges)];
  return value == 0xEF ? 4294967295u : value % 4;
}

std::optional<version::SemVer> semver_of(std::string_view bytes) {
  version::SemVer value;
  if (bytes.size() < 4) return value;
  value.major = number_of(bytes[0]);
  value.minor = number_of(bytes[1]);
  value.patch = number_of(bytes[2]);
  if (bytes[3] % 2 != 0) {
    auto rc = texts_of(bytes.substr(4));
    if (!rc) return std::nullopt;
    value.rc = version::OptionalTextList(std::move(*rc));
  }
  return value;
}

std::optional<version::Version> value_of(unsigned kind, std::string_view bytes) {
  switch (kind % 3) {
    case 0:
      if (auto value = semver_of(bytes)) return version::Version(std::move(*value));
      return std::nullopt;
    case 1:
      if (auto parts = texts_of(bytes)) return version::Version(version::DotSeparated{*parts});
      return std::nullopt;
    default:
      if (!utf8::is_valid(bytes)) return std::nullopt;
      return version::Version(version::Other{std::string(bytes)});
  }
}

void check(bool holds, const char* what, const version::Version& a, const version::Version& b) {
  if (!holds) fuzz::fail(what, version::debug(a) + " vs " + version::debug(b));
}

// The sign of a three-way comparison.
int sign(int value) {
  return (value > 0) - (value < 0);
}
int sign(std::strong_ordering order) {
  return (order > 0) - (order < 0);
}

void check_exact_keys(const version::Version& a, const version::Version& b) {
  const std::string a_key = version::exact_key(a);
  const std::string b_key = version::exact_key(b);
  check(sign(a_key.compare(b_key)) == sign(a <=> b), "exact keys order unlike the values", a, b);
  check((a_key == b_key) == (a == b), "exact keys are equal unlike the values", a, b);
  if (a.kind_rank() != b.kind_rank()) return;
  std::visit(
      [&](const auto& held) {
        using Kind = std::remove_cvref_t<decltype(held)>;
        const Kind& other = *b.get_if<Kind>();
        const int by_key = version::exact_key(held).compare(version::exact_key(other));
        check(sign(by_key) == sign(held <=> other), "a kind's exact keys order unlike it", a, b);
      },
      a.value());
}

void check_key(const version::Version& value, std::uint64_t key) {
  check(key != 0, "an order key is 0", value, value);
  std::visit(
      [&](const auto& held) {
        check(version::order_key(held) == key, "a kind's key differs inside a Version", value,
              value);
      },
      value.value());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::string_view rest(reinterpret_cast<const char*>(data + 2), size - 2);
  const std::size_t split = std::min<std::size_t>(data[1], rest.size());
  // Both of one kind when the kind byte's high bit is clear, else two kinds.
  const unsigned first_kind = data[0] & 0x7F;
  const unsigned second_kind = (data[0] & 0x80) != 0 ? first_kind + 1 : first_kind;
  const std::optional<version::Version> a = value_of(first_kind, rest.substr(0, split));
  const std::optional<version::Version> b = value_of(second_kind, rest.substr(split));
  if (!a || !b) return 0;
  const std::uint64_t a_key = version::order_key(*a);
  const std::uint64_t b_key = version::order_key(*b);
  check_key(*a, a_key);
  check_key(*b, b_key);
  const std::strong_ordering order = *a <=> *b;
  if (order == 0) check(a_key == b_key, "equal values have different keys", *a, *b);
  if (const auto decided = version::compare_keys(a_key, b_key)) {
    check(*decided == order, "order keys disagree with the order of the values", *a, *b);
  }
  check_exact_keys(*a, *b);
  return 0;
}
