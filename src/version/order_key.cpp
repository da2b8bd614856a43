// Building the order codes of order_key.hpp into 64-bit keys.

#include "version/order_key.hpp"

#include <bit>
#include <string_view>
#include <variant>

namespace kolvi::version {

namespace {

constexpr unsigned kCodeBits = 64 - kRankBits - 1;
constexpr unsigned kLengthBits = 6;  // bit lengths 0 to 32

// The 7-bit symbols of texts, in their order.
constexpr unsigned kSymbolBits = 7;
constexpr std::uint64_t kEnd = 0;
constexpr std::uint64_t kSeparator = 1;
constexpr std::uint64_t kLowEscape = 2;  // then a byte below ' ' in 5 bits
constexpr unsigned kLowBits = 5;
constexpr unsigned char kFirstPlain = 0x20;
constexpr unsigned char kHighEscape = 0x7F;  // then the byte less 0x7F in 8 bits
constexpr unsigned kHighBits = 8;

// Appends bits to a code and keeps the part that fits.
class CodeWriter {
 public:
  void put(std::uint64_t value, unsigned width) noexcept {
    const unsigned room = kCodeBits - used_;
    if (width > room) {
      cut_ = true;
      value >>= width - room;
      width = room;
    }
    if (width == 0) return;
    code_ = (code_ << width) | value;
    used_ += width;
  }

  // Order-preserving and prefix-free: a longer number has a longer bit length.
  void put_number(std::uint32_t number) noexcept {
    const unsigned length = static_cast<unsigned>(std::bit_width(number));
    put(length, kLengthBits);
    if (length > 1) put(number & ((std::uint32_t{1} << (length - 1)) - 1), length - 1);
  }

  void put_list(const TextList& texts) noexcept {
    if (texts.empty()) return put(0, 1);
    put(1, 1);
    bool first = true;
    for (const std::string_view text : texts) {
      if (cut_) break;
      if (!first) put(kSeparator, kSymbolBits);
      first = false;
      put_bytes(text);
    }
    put(kEnd, kSymbolBits);
  }

  void put_text(std::string_view text) noexcept {
    put_bytes(text);
    put(kEnd, kSymbolBits);
  }

  std::uint64_t key(std::size_t rank) const noexcept {
    return (static_cast<std::uint64_t>(rank) << (64 - kRankBits))
           | (code_ << (kCodeBits - used_) << 1) | (cut_ ? 0 : 1);
  }

 private:
  void put_bytes(std::string_view bytes) noexcept {
    for (std::size_t i = 0; i < bytes.size() && !cut_; ++i)
      put_byte(static_cast<unsigned char>(bytes[i]));
  }

  // Version texts are nearly always printable ASCII, one symbol each.
  void put_byte(unsigned char byte) noexcept {
    if (byte >= kFirstPlain && byte < kHighEscape) return put(byte, kSymbolBits);
    if (byte < kFirstPlain) return put((kLowEscape << kLowBits) | byte, kSymbolBits + kLowBits);
    put((std::uint64_t{kHighEscape} << kHighBits) | (byte - kHighEscape), kSymbolBits + kHighBits);
  }

  std::uint64_t code_ = 0;
  unsigned used_ = 0;
  bool cut_ = false;
};

}  // namespace

std::uint64_t order_key(const SemVer& value) noexcept {
  CodeWriter code;
  code.put_number(value.major);
  code.put_number(value.minor);
  code.put_number(value.patch);
  if (value.rc.has_value()) {
    code.put(0, 1);
    code.put_list(*value.rc);
  } else {
    code.put(1, 1);
  }
  return code.key(kind_rank_of<SemVer>);
}

std::uint64_t order_key(const DotSeparated& value) noexcept {
  CodeWriter code;
  code.put_list(value.parts);
  return code.key(kind_rank_of<DotSeparated>);
}

std::uint64_t order_key(const Other& value) noexcept {
  CodeWriter code;
  code.put_text(value.value);
  return code.key(kind_rank_of<Other>);
}

// std::visit throws only for a valueless variant, which a Version never is: its kinds move
// without throwing, and a copy is made in full before it replaces a value.
// NOLINTNEXTLINE(bugprone-exception-escape)
std::uint64_t order_key(const Version& value) noexcept {
  return std::visit([](const auto& held) { return order_key(held); }, value.value());
}

}  // namespace kolvi::version
