// A failed parse: where it failed, what was expected there and what was found.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kolvi::version {

// Byte offsets into the parsed text; empty (start == end) at end of input.
struct Span {
  std::size_t start = 0;
  std::size_t end = 0;
  friend bool operator==(const Span&, const Span&) = default;
};

struct ExpectedItem {
  enum class Kind : std::uint8_t { character, label, end_of_input };

  Kind kind = Kind::end_of_input;
  char32_t character = 0;
  std::string_view label;  // always a string literal of the grammar

  static constexpr ExpectedItem of_character(char32_t c) noexcept {
    return {Kind::character, c, {}};
  }
  static constexpr ExpectedItem of_label(std::string_view text) noexcept {
    return {Kind::label, 0, text};
  }
  static constexpr ExpectedItem end_of_input() noexcept { return {Kind::end_of_input, 0, {}}; }

  friend constexpr bool operator==(const ExpectedItem& a, const ExpectedItem& b) noexcept {
    if (a.kind != b.kind) return false;
    if (a.kind == Kind::character) return a.character == b.character;
    if (a.kind == Kind::label) return a.label == b.label;
    return true;
  }
};

struct ParseError {
  Span span;
  std::vector<ExpectedItem> expected;  // ordered, no duplicates
  std::optional<char32_t> found;       // nothing means end of input

  // "found X expected A, B, or C" on one line.
  std::string message() const;
};

}  // namespace kolvi::version
