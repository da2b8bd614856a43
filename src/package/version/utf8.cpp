#include "package/version/utf8.hpp"

namespace kolvi::utf8 {

namespace {

bool is_continuation(unsigned char byte) noexcept {
  return (byte & 0xC0) == 0x80;
}

// Length of the well-formed sequence at `pos`, or 0 when it is malformed.
std::size_t sequence_length(std::string_view text, std::size_t pos) noexcept {
  const auto at = [&](std::size_t i) { return static_cast<unsigned char>(text[pos + i]); };
  const unsigned char lead = at(0);
  const std::size_t left = text.size() - pos;
  if (lead < 0x80) return 1;
  if (lead < 0xC2 || lead > 0xF4) return 0;
  const std::size_t length = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
  if (left < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if (!is_continuation(at(i))) return 0;
  }
  const unsigned char second = at(1);
  if (lead == 0xE0 && second < 0xA0) return 0;  // overlong
  if (lead == 0xED && second > 0x9F) return 0;  // surrogate
  if (lead == 0xF0 && second < 0x90) return 0;  // overlong
  if (lead == 0xF4 && second > 0x8F) return 0;  // above U+10FFFF
  return length;
}

}  // namespace

bool is_valid(std::string_view text) noexcept {
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t length = sequence_length(text, pos);
    if (length == 0) return false;
    pos += length;
  }
  return true;
}

}  // namespace kolvi::utf8
