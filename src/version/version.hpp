// Version: one version of any kind, ordered by kind rank first.
#pragma once

#include <compare>
#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>

#include "version/dot_separated.hpp"
#include "version/other.hpp"
#include "version/parse_result.hpp"
#include "version/semver.hpp"
#include "version/text_form.hpp"

namespace kolvi::version {

// The variant index is the kind rank: SemVer 0, DotSeparated 1, Other 2.
enum class Kind : std::size_t { semver = 0, dot_separated = 1, other = 2 };

// The kinds in rank order; everything that wraps, orders or prints any kind follows this list.
using AnyKind = std::variant<SemVer, DotSeparated, Other>;

class Version {
 public:
  template <class Held>
    requires std::is_constructible_v<AnyKind, Held&&>
  explicit Version(Held value) : value_(std::move(value)) {}

  Kind kind() const noexcept { return static_cast<Kind>(value_.index()); }
  std::size_t kind_rank() const noexcept { return value_.index(); }
  std::string_view kind_name() const noexcept {
    return std::visit([](const auto& held) { return held.kind_name; }, value_);
  }

  // The held value when it is of kind T, else null.
  template <class T>
  const T* get_if() const noexcept {
    return std::get_if<T>(&value_);
  }
  const AnyKind& value() const noexcept { return value_; }

 private:
  AnyKind value_;
};

bool operator==(const Version& a, const Version& b) noexcept;

// Kind rank first, then the held values; std::variant orders exactly so. Inline, since a sort
// calls it for nearly every pair.
inline std::strong_ordering operator<=>(const Version& a, const Version& b) noexcept {
  return a.value() <=> b.value();
}

void append_display(std::string& out, const Version& v);
void append_debug(std::string& out, const Version& v);

inline constexpr std::string_view version_source_name = "kolvi::package::version::Version";
ParseResult<Version> parse_version(std::string_view text);

}  // namespace kolvi::version
