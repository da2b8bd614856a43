// Placeholder until the table generator lands: treats all non-ASCII scalar values as letters.
#include "package/version/unicode.hpp"

namespace kolvi::unicode::detail {
namespace {
bool is_scalar(char32_t c) noexcept { return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF); }
}  // namespace
bool non_ascii_xid_start(char32_t c) noexcept { return is_scalar(c); }
bool non_ascii_xid_continue(char32_t c) noexcept { return is_scalar(c); }
bool non_ascii_grapheme_extend(char32_t c) noexcept { return c >= 0x300 && c <= 0x36F; }
bool non_ascii_printable(char32_t c) noexcept { return is_scalar(c) && c >= 0xA1; }
}  // namespace kolvi::unicode::detail
