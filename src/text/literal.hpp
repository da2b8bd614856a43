// A string literal as a template argument, so that texts built from literals at compile time
// keep the form of a literal: a char array whose size counts the closing NUL.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>

namespace kolvi::text {

template <std::size_t N>
struct Literal {
  consteval Literal() = default;
  consteval Literal(const char (&text)[N]) { std::copy(text, text + N, bytes); }
  constexpr std::string_view view() const noexcept { return {bytes, N - 1}; }
  char bytes[N] = {};
};

}  // namespace kolvi::text
