// Other's grammar and text forms.
#include "version/other.hpp"

#include "version/grammar.hpp"
#include "version/text_form.hpp"

namespace kolvi::version {

// An identifier start ('_' or XID_Start), then XID_Continue characters, greedy, to the end: the
// value is then the whole text.
bool parse_into(grammar::Cursor& cursor, Other* out) {
  if (!cursor.identifier_start()) return false;
  while (cursor.identifier_continue()) {
  }
  if (!cursor.end_of_input()) return false;
  if (out != nullptr) out->value = cursor.text();
  return true;
}

ParseResult<Other> parse_other(std::string_view text) {
  return grammar::parse_whole<Other>(text);
}

ParseResult<void> check_other(std::string_view text) {
  return grammar::check_whole<Other>(text);
}

void append_display(std::string& out, const Other& v) {
  out += v.value;
}

void append_debug(std::string& out, const Other& v) {
  out.reserve(out.size() + 20 + 2 * v.value.size());
  out += "Other { value: ";
  text_form::append_quoted(out, v.value);
  out += " }";
}

}  // namespace kolvi::version
