// UTF-8 validation: where the first ill-formed sequence starts and how long it is.
#include "text/utf8.hpp"

#include "text/ascii_scan.hpp"

namespace kolvi::utf8 {

namespace {

bool in_range(unsigned char byte, unsigned char low, unsigned char high) noexcept {
  return byte >= low && byte <= high;
}

// The length of the well-formed sequence at `pos` (a non-ASCII lead), or the fault there. The
// allowed range of the second byte excludes overlongs, surrogates and code points past
// U+10FFFF.
std::optional<Fault> check_sequence(std::string_view bytes, std::size_t pos,
                                    std::size_t& length) noexcept {
  const unsigned char lead = static_cast<unsigned char>(bytes[pos]);
  unsigned char second_low = 0x80;
  unsigned char second_high = 0xBF;
  if (in_range(lead, 0xC2, 0xDF)) {
    length = 2;
  } else if (in_range(lead, 0xE0, 0xEF)) {
    length = 3;
    if (lead == 0xE0) second_low = 0xA0;
    if (lead == 0xED) second_high = 0x9F;
  } else if (in_range(lead, 0xF0, 0xF4)) {
    length = 4;
    if (lead == 0xF0) second_low = 0x90;
    if (lead == 0xF4) second_high = 0x8F;
  } else {
    return Fault{pos, 1};
  }
  for (std::size_t i = 1; i < length; ++i) {
    if (pos + i >= bytes.size()) return Fault{pos, 0};
    const unsigned char byte = static_cast<unsigned char>(bytes[pos + i]);
    const bool valid =
        i == 1 ? in_range(byte, second_low, second_high) : in_range(byte, 0x80, 0xBF);
    if (!valid) return Fault{pos, i};
  }
  return std::nullopt;
}

}  // namespace

std::optional<Fault> first_fault(std::string_view bytes) noexcept {
  for (std::size_t pos = text::ascii_end(bytes, 0); pos < bytes.size();) {
    std::size_t length = 0;
    if (const std::optional<Fault> fault = check_sequence(bytes, pos, length)) return fault;
    pos = text::ascii_end(bytes, pos + length);
  }
  return std::nullopt;
}

}  // namespace kolvi::utf8
