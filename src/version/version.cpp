// Version: its parse over every kind, equality, and the text forms of the wrapper.
#include "version/version.hpp"

#include <cstddef>
#include <utility>

#include "version/grammar.hpp"

namespace kolvi::version {

namespace {

// The kinds from rank `rank` on, each from position 0. The record is shared, so when all of them
// fail the error is the furthest failure over all of them.
template <std::size_t rank>
ParseResult<Version> parse_kinds_from(grammar::Cursor& cursor) {
  cursor.set_position(0);
  if (KindAt<rank> value; parse_into(cursor, &value)) return Version(std::move(value));
  if constexpr (rank + 1 < kKindCount) {
    return parse_kinds_from<rank + 1>(cursor);
  } else {
    return cursor.error();
  }
}

// The same trial of the kinds, building none of them.
template <std::size_t rank>
ParseResult<void> check_kinds_from(grammar::Cursor& cursor) {
  cursor.set_position(0);
  if (parse_into(cursor, static_cast<KindAt<rank>*>(nullptr))) return {};
  if constexpr (rank + 1 < kKindCount) {
    return check_kinds_from<rank + 1>(cursor);
  } else {
    return cursor.error();
  }
}

}  // namespace

ParseResult<Version> parse_version(std::string_view text) {
  grammar::Cursor cursor(text);
  return parse_kinds_from<0>(cursor);
}

ParseResult<void> check_version(std::string_view text) {
  grammar::Cursor cursor(text);
  return check_kinds_from<0>(cursor);
}

// std::visit throws only for a valueless variant, which a Version never is: its kinds move
// without throwing, and a copy is made in full before it replaces a value.
// NOLINTNEXTLINE(bugprone-exception-escape)
bool operator==(const Version& a, const Version& b) noexcept {
  return a.value() == b.value();
}

void append_display(std::string& out, const Version& v) {
  std::visit([&](const auto& held) { append_display(out, held); }, v.value());
}

void append_debug(std::string& out, const Version& v) {
  out += "Version::";
  std::visit([&](const auto& held) { append_debug(out, held); }, v.value());
}

}  // namespace kolvi::version
