// Placeholder until the table generator lands.
#include "diagnostics/display_width.hpp"

namespace kolvi::unicode::detail {
int non_ascii_display_width(char32_t c) noexcept {
  if (c >= 0x300 && c <= 0x36F) return 0;
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
                 (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
                 (c >= 0xFF00 && c <= 0xFF60) || (c >= 0x1F300 && c <= 0x1FAFF) ||
                 (c >= 0x20000 && c <= 0x3FFFD)
             ? 2
             : 1;
}
}  // namespace kolvi::unicode::detail
