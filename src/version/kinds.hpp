// The table of what a text can be parsed as: Version and each kind of version, one row each,
// with the name the command line knows it by, the source name its reports carry, its parse
// operation and its validity test. The Version variant and its parse, the command's --kind names
// and help, and the report fast path all derive from this table, so adding a kind means writing the
// kind (its value, order, text forms and grammar) and its row.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <variant>

#include "version/dot_separated.hpp"
#include "version/other.hpp"
#include "version/parse_result.hpp"
#include "version/semver.hpp"

namespace kolvi::version {

class Version;
ParseResult<Version> parse_version(std::string_view text);
ParseResult<void> check_version(std::string_view text);

template <class V>
struct ParseTarget {
  using Value = V;
  std::string_view name;         // what the command's --kind takes
  std::string_view source_name;  // what the report of a failed parse names
  ParseResult<V> (*parse)(std::string_view text);
  // The validity test: the same grammar and failure as parse, building no value.
  ParseResult<void> (*check)(std::string_view text);
};

// Version comes first: it is what the command parses unless told otherwise, and it tries the
// kinds in the order that follows. That order is the kinds' rank: kinds sort in it, and a
// Version's variant index is its kind's place after Version here.
inline constexpr std::tuple kParseTargets{
    ParseTarget<Version>{"version", "kolvi::package::version::Version", parse_version,
                         check_version},
    ParseTarget<SemVer>{"semver", "kolvi::package::version::semver::SemVer", parse_semver,
                        check_semver},
    ParseTarget<DotSeparated>{"dot-separated",
                              "kolvi::package::version::dot_separated::DotSeparated",
                              parse_dot_separated, check_dot_separated},
    ParseTarget<Other>{"other", "kolvi::package::version::other::Other", parse_other, check_other},
};

// --- derived from the table ----------------------------------------------------------------

inline constexpr std::size_t kParseTargetCount = std::tuple_size_v<decltype(kParseTargets)>;
inline constexpr std::size_t kKindCount = kParseTargetCount - 1;

// Row `index` as a type, whose members are constants that templates can take.
template <std::size_t index>
struct TargetAt {
  static constexpr const auto& row = std::get<index>(kParseTargets);
  using Value = typename std::remove_cvref_t<decltype(row)>::Value;
  static constexpr std::string_view name = row.name;
  static constexpr std::string_view source_name = row.source_name;
  static ParseResult<Value> parse(std::string_view text) { return row.parse(text); }
  static ParseResult<void> check(std::string_view text) { return row.check(text); }
};

// The kind of rank `rank`.
template <std::size_t rank>
using KindAt = typename TargetAt<rank + 1>::Value;

template <std::size_t... rank>
auto variant_of_kinds(std::index_sequence<rank...>) -> std::variant<KindAt<rank>...>;

// One value of any kind; the variant index is the kind rank.
using AnyKind = decltype(variant_of_kinds(std::make_index_sequence<kKindCount>()));

// The row of the target whose value is `Value`.
template <class Value>
constexpr const ParseTarget<Value>& target_of() noexcept {
  return std::get<ParseTarget<Value>>(kParseTargets);
}

template <class Value, std::size_t index = 0>
constexpr std::size_t target_index_of() noexcept {
  static_assert(index < kParseTargetCount, "no row of the table parses this type");
  if constexpr (std::is_same_v<typename TargetAt<index>::Value, Value>) {
    return index;
  } else {
    return target_index_of<Value, index + 1>();
  }
}

template <class Kind>
inline constexpr std::size_t kind_rank_of = target_index_of<Kind>() - 1;

template <class Value>
inline constexpr std::string_view source_name_of = TargetAt<target_index_of<Value>()>::source_name;

// The names the command line knows the targets by, in table order.
inline constexpr auto kTargetNames = []<std::size_t... index>(std::index_sequence<index...>) {
  return std::array<std::string_view, kParseTargetCount>{TargetAt<index>::name...};
}(std::make_index_sequence<kParseTargetCount>());

// The index of the target the command line calls `name`.
constexpr std::optional<std::size_t> target_named(std::string_view name) noexcept {
  for (std::size_t index = 0; index < kTargetNames.size(); ++index) {
    if (kTargetNames[index] == name) return index;
  }
  return std::nullopt;
}

// Calls `visitor` with TargetAt<index>{} for the `wanted` index, which must be below
// kParseTargetCount (the last row answers for any other).
template <std::size_t index = 0, class Visitor>
decltype(auto) visit_target(std::size_t wanted, Visitor&& visitor) {
  if constexpr (index + 1 == kParseTargetCount) {
    return visitor(TargetAt<index>{});
  } else {
    if (wanted == index) return visitor(TargetAt<index>{});
    return visit_target<index + 1>(wanted, std::forward<Visitor>(visitor));
  }
}

}  // namespace kolvi::version
