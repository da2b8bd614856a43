// Escaping of JSON strings.

#include "cli/json_text.hpp"

#include <cstddef>

namespace kolvi::cli {

namespace {

// The short escape of a byte that JSON gives one, or 0.
constexpr char short_escape(unsigned char byte) noexcept {
  switch (byte) {
    case '"':
      return '"';
    case '\\':
      return '\\';
    case '\b':
      return 'b';
    case '\f':
      return 'f';
    case '\n':
      return 'n';
    case '\r':
      return 'r';
    case '\t':
      return 't';
    default:
      return 0;
  }
}

constexpr bool needs_escape(unsigned char byte) noexcept {
  return byte < 0x20 || byte == '"' || byte == '\\';
}

void append_escape(std::string& out, unsigned char byte) {
  if (const char letter = short_escape(byte)) {
    out += '\\';
    out += letter;
    return;
  }
  constexpr char kHexDigits[] = "0123456789abcdef";
  out += "\\u00";
  out += kHexDigits[byte >> 4];
  out += kHexDigits[byte & 0xF];
}

}  // namespace

// Runs that need no escape (nearly all of a report) go out whole.
void append_json_string(std::string& out, std::string_view text) {
  out += '"';
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (!needs_escape(byte)) continue;
    out.append(text, start, i - start);
    append_escape(out, byte);
    start = i + 1;
  }
  out.append(text, start, text.size() - start);
  out += '"';
}

}  // namespace kolvi::cli
