// A failed parse: where it failed, what it found there and what it expected, and its message.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

#include "base/fatal.hpp"

namespace kolvi::version {

// Byte offsets into the parsed text; empty (start == end) at end of input.
struct Span {
  std::size_t start = 0;
  std::size_t end = 0;
  friend bool operator==(const Span&, const Span&) = default;
};

struct ExpectedItem {
  // What is expected: one character, a rule named by its label, or the end of the input.
  enum class What : std::uint8_t { character, label, end_of_input };

  What what = What::end_of_input;
  char32_t character = 0;
  std::string_view label;  // always a string literal of the grammar

  static constexpr ExpectedItem of_character(char32_t c) noexcept {
    return {What::character, c, {}};
  }
  static constexpr ExpectedItem of_label(std::string_view text) noexcept {
    return {What::label, 0, text};
  }
  static constexpr ExpectedItem end_of_input() noexcept { return {What::end_of_input, 0, {}}; }

  friend constexpr bool operator==(const ExpectedItem& a, const ExpectedItem& b) noexcept {
    if (a.what != b.what) return false;
    if (a.what == What::character) return a.character == b.character;
    if (a.what == What::label) return a.label == b.label;
    return true;
  }
};

// The expected items of one error, held inline so that a failed parse allocates nothing. The
// grammar can name only kCapacity distinct items, and a list holds each at most once.
class ExpectedList {
 public:
  static constexpr std::size_t kCapacity = 10;

  ExpectedList() noexcept = default;
  ExpectedList(std::initializer_list<ExpectedItem> items) {
    for (const ExpectedItem& item : items)
      push_back(item);
  }

  void push_back(const ExpectedItem& item) {
    if (size_ == kCapacity) base::fatal("an expected list outgrew the grammar's items");
    storage_.items[size_++] = item;
  }

  std::size_t size() const noexcept { return size_; }
  bool empty() const noexcept { return size_ == 0; }
  const ExpectedItem& operator[](std::size_t i) const noexcept { return storage_.items[i]; }
  const ExpectedItem& back() const noexcept { return storage_.items[size_ - 1]; }
  const ExpectedItem* begin() const noexcept { return storage_.items; }
  const ExpectedItem* end() const noexcept { return storage_.items + size_; }

  friend bool operator==(const ExpectedList& a, const ExpectedList& b) noexcept {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
  }

 private:
  // Only the first size_ items are ever read, so the others are left uninitialised: a failed
  // parse makes one list, and should not pay for filling all of it.
  union Storage {
    Storage() noexcept {}
    ExpectedItem items[kCapacity];
  };
  static_assert(std::is_trivially_copyable_v<ExpectedItem>);

  Storage storage_;
  std::size_t size_ = 0;
};

struct ParseError {
  Span span;
  ExpectedList expected;          // ordered, no duplicates
  std::optional<char32_t> found;  // nothing means end of input

  // "found X expected A, B, or C" on one line.
  std::string message() const;

  // The same message written through `out`, a sink of text/text_sink.hpp, so that a report
  // writes it straight into its own buffer.
  template <class Sink>
  void write_message(Sink& out) const;
};

namespace detail {

// Characters are quoted but never escaped: a found tab or NUL is written as itself.
template <class Sink>
void write_quoted(Sink& out, char32_t c) {
  out.literal("'");
  out.character(c);
  out.literal("'");
}

template <class Sink>
void write_item(Sink& out, const ExpectedItem& item) {
  switch (item.what) {
    case ExpectedItem::What::character:
      write_quoted(out, item.character);
      return;
    case ExpectedItem::What::label:
      out.text(item.label);
      return;
    case ExpectedItem::What::end_of_input:
      out.literal("end of input");
      return;
  }
}

}  // namespace detail

// "A", "A, or B", "A, B, or C"; an empty list reads "something else".
template <class Sink>
void ParseError::write_message(Sink& out) const {
  out.literal("found ");
  if (found) {
    detail::write_quoted(out, *found);
  } else {
    out.literal("end of input");
  }
  out.literal(" expected ");
  if (expected.empty()) {
    out.literal("something else");
    return;
  }
  for (std::size_t i = 0; i + 1 < expected.size(); ++i) {
    detail::write_item(out, expected[i]);
    out.literal(", ");
  }
  if (expected.size() > 1) out.literal("or ");
  detail::write_item(out, expected.back());
}

}  // namespace kolvi::version
