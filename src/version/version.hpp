// Version: one version of any kind, ordered by kind rank first.
#pragma once

#include <compare>
#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>

#include "version/kinds.hpp"
#include "version/parse_result.hpp"
#include "version/text_form.hpp"

namespace kolvi::version {

class Version {
 public:
  template <class Held>
    requires std::is_constructible_v<AnyKind, Held&&>
  explicit Version(Held value) : value_(std::move(value)) {}

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

}  // namespace kolvi::version
