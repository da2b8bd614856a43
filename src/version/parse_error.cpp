// The one-line message of a parse error: what was found and what was expected.
#include "version/parse_error.hpp"

#include "text/utf8.hpp"

namespace kolvi::version {

namespace {

// Characters are quoted but never escaped: a found tab or NUL is written as itself.
void append_quoted(std::string& out, char32_t c) {
  out.push_back('\'');
  utf8::append(out, c);
  out.push_back('\'');
}

void append_item(std::string& out, const ExpectedItem& item) {
  switch (item.kind) {
    case ExpectedItem::Kind::character:
      append_quoted(out, item.character);
      return;
    case ExpectedItem::Kind::label:
      out += item.label;
      return;
    case ExpectedItem::Kind::end_of_input:
      out += "end of input";
      return;
  }
}

// "A", "A, or B", "A, B, or C"; an empty list reads "something else".
void append_expected_list(std::string& out, const std::vector<ExpectedItem>& expected) {
  if (expected.empty()) {
    out += "something else";
    return;
  }
  for (std::size_t i = 0; i + 1 < expected.size(); ++i) {
    append_item(out, expected[i]);
    out += ", ";
  }
  if (expected.size() > 1) out += "or ";
  append_item(out, expected.back());
}

}  // namespace

std::string ParseError::message() const {
  std::string out = "found ";
  if (found) {
    append_quoted(out, *found);
  } else {
    out += "end of input";
  }
  out += " expected ";
  append_expected_list(out, expected);
  return out;
}

}  // namespace kolvi::version
