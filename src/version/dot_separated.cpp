// DotSeparated's grammar and text forms.
#include "version/dot_separated.hpp"

#include "version/grammar.hpp"
#include "version/identifier_list.hpp"
#include "version/text_form.hpp"

namespace kolvi::version {

bool parse_into(grammar::Cursor& cursor, DotSeparated* out) {
  grammar::IdentifierCollector parts;
  grammar::dot_separated_list(cursor, parts);
  if (!cursor.end_of_input()) return false;
  if (out != nullptr) parts.move_into(out->parts);
  return true;
}

ParseResult<DotSeparated> parse_dot_separated(std::string_view text) {
  return grammar::parse_whole<DotSeparated>(text);
}

ParseResult<void> check_dot_separated(std::string_view text) {
  return grammar::check_whole<DotSeparated>(text);
}

void append_display(std::string& out, const DotSeparated& v) {
  out.reserve(out.size() + text_form::joined_size(v.parts));
  text_form::append_joined(out, v.parts);
}

void append_debug(std::string& out, const DotSeparated& v) {
  out.reserve(out.size() + 32 + 6 * text_form::joined_size(v.parts));
  out += "DotSeparated { parts: ";
  text_form::append_quoted_list(out, v.parts);
  out += " }";
}

}  // namespace kolvi::version
