// Hex and base64 text of key bytes.

#include "cli/key_text.hpp"

namespace kolvi::cli {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";
constexpr char kBase64Digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

unsigned byte_at(std::string_view bytes, std::size_t i) noexcept {
  return static_cast<unsigned char>(bytes[i]);
}

}  // namespace

void append_hex(std::string& out, std::string_view bytes) {
  const std::size_t start = out.size();
  out.resize(start + 2 * bytes.size());
  char* digit = out.data() + start;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    *digit++ = kHexDigits[byte_at(bytes, i) >> 4];
    *digit++ = kHexDigits[byte_at(bytes, i) & 0xF];
  }
}

void append_base64(std::string& out, std::string_view bytes) {
  const std::size_t start = out.size();
  out.resize(start + 4 * ((bytes.size() + 2) / 3));
  char* digit = out.data() + start;
  std::size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const unsigned group =
        byte_at(bytes, i) << 16 | byte_at(bytes, i + 1) << 8 | byte_at(bytes, i + 2);
    for (unsigned shift = 24; shift > 0;) {
      shift -= 6;
      *digit++ = kBase64Digits[(group >> shift) & 0x3F];
    }
  }
  const std::size_t left = bytes.size() - i;
  if (left == 0) return;
  const unsigned group = byte_at(bytes, i) << 16 | (left == 2 ? byte_at(bytes, i + 1) << 8 : 0);
  *digit++ = kBase64Digits[group >> 18];
  *digit++ = kBase64Digits[(group >> 12) & 0x3F];
  *digit++ = left == 2 ? kBase64Digits[(group >> 6) & 0x3F] : '=';
  *digit++ = '=';
}

}  // namespace kolvi::cli
