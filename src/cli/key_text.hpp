// Keys as text for a line-oriented output: lowercase hex, whose byte order is the keys' order, or
// standard base64 with padding, a third shorter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kolvi::cli {

enum class KeyFormat : std::uint8_t { hex, base64 };

void append_hex(std::string& out, std::string_view bytes);
void append_base64(std::string& out, std::string_view bytes);

inline void append_key_text(std::string& out, std::string_view key, KeyFormat format) {
  if (format == KeyFormat::hex) {
    append_hex(out, key);
  } else {
    append_base64(out, key);
  }
}

// Key bytes that one piece of a long key covers. A multiple of 3, so that the base64 of the
// pieces joined is the base64 of the whole: only the last piece is padded.
inline constexpr std::size_t kKeyPieceBytes = 3 * (std::size_t{1} << 14);

}  // namespace kolvi::cli
