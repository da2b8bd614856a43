// The failure record and its conversion into the parse error of a failed operation.
#include "version/grammar.hpp"

#include "base/fatal.hpp"

namespace kolvi::version::grammar {

ExpectedItem to_expected_item(Expected item) noexcept {
  switch (item) {
    case Expected::v:
      return ExpectedItem::of_character(U'v');
    case Expected::dot:
      return ExpectedItem::of_character(U'.');
    case Expected::minus:
      return ExpectedItem::of_character(U'-');
    case Expected::plus:
      return ExpectedItem::of_character(U'+');
    case Expected::end_of_input:
      return ExpectedItem::end_of_input();
    case Expected::digit:
      return ExpectedItem::of_label("digit");
    case Expected::integer:
      return ExpectedItem::of_label("integer");
    case Expected::identifier_character:
      return ExpectedItem::of_label("alphanumeric or '-'");
    case Expected::dot_separated_list:
      return ExpectedItem::of_label("dot-separated list");
    case Expected::identifier:
      return ExpectedItem::of_label("identifier");
  }
  return ExpectedItem::end_of_input();
}

void FailureRecord::merge(const FailureRecord& inner) noexcept {
  if (inner.empty()) return;
  if (empty() || inner.position_ > position_) {
    *this = inner;
    return;
  }
  if (inner.position_ < position_) return;
  if (inner.count_ > count_) {
    FailureRecord joined = inner;
    for (const Expected item : expected())
      joined.append(item);
    *this = joined;
    return;
  }
  for (const Expected item : inner.expected())
    append(item);
}

ParseError FailureRecord::to_error(std::string_view text) const {
  if (empty()) base::fatal("a failed parse recorded no failure");
  ParseError error;
  error.span = {position_, position_};
  if (position_ < text.size()) {
    const utf8::Decoded found = utf8::decode(text, position_);
    error.found = found.code_point;
    error.span.end = position_ + found.length;
  }
  for (const Expected item : expected())
    error.expected.push_back(to_expected_item(item));
  return error;
}

}  // namespace kolvi::version::grammar
