// The pieces of the display and debug forms: numbers, joined lists and escaped quoted texts.
#include "version/text_form.hpp"

#include <charconv>

#include "text/unicode.hpp"
#include "text/utf8.hpp"

namespace kolvi::version::text_form {

namespace {

void append_code_point_escape(std::string& out, char32_t c) {
  char digits[8];
  const auto result =
      std::to_chars(digits, digits + sizeof digits, static_cast<std::uint32_t>(c), 16);
  out += "\\u{";
  out.append(digits, result.ptr);
  out += '}';
}

// Returns the escape for characters with a short backslash form, else null.
const char* short_escape(char32_t c) noexcept {
  switch (c) {
    case U'\0':
      return "\\0";
    case U'\t':
      return "\\t";
    case U'\n':
      return "\\n";
    case U'\r':
      return "\\r";
    case U'"':
      return "\\\"";
    case U'\\':
      return "\\\\";
    default:
      return nullptr;
  }
}

}  // namespace

void append_joined(std::string& out, const TextList& list) {
  bool first = true;
  for (const std::string_view text : list) {
    if (!first) out += '.';
    first = false;
    out += text;
  }
}

// Every text is stored with at least one length byte, and the joined form has one dot fewer
// than it has texts: exact when every text is shorter than 128 bytes.
std::size_t joined_size(const TextList& list) noexcept {
  return list.empty() ? 0 : list.stored_size() - 1;
}

void append_quoted(std::string& out, std::string_view text) {
  out += '"';
  std::size_t pos = 0;
  while (pos < text.size()) {
    const auto [c, length] = utf8::decode(text, pos);
    if (const char* escape = short_escape(c)) {
      out += escape;
    } else if (unicode::is_grapheme_extend(c) || !unicode::is_printable(c)) {
      append_code_point_escape(out, c);
    } else {
      out.append(text.substr(pos, length));
    }
    pos += length;
  }
  out += '"';
}

void append_quoted_list(std::string& out, const TextList& list) {
  out += '[';
  bool first = true;
  for (const std::string_view text : list) {
    if (!first) out += ", ";
    first = false;
    append_quoted(out, text);
  }
  out += ']';
}

}  // namespace kolvi::version::text_form
