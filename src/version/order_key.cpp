// Building the order codes of order_key.hpp into 64-bit keys.

#include "version/order_key.hpp"

#include <bit>
#include <string_view>
#include <variant>

namespace kolvi::version {

namespace {

constexpr unsigned kRankBits = 2;
constexpr unsigned kCodeBits = 64 - kRankBits - 1;
constexpr unsigned kCharacterBits = 7;
constexpr unsigned kLengthBits = 6;  // bit lengths 0 to 32

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

  void put_identifiers(const TextList& identifiers) noexcept {
    for (std::size_t i = 0; i < identifiers.size() && !cut_; ++i) {
      if (i > 0) put(1, kCharacterBits);
      for (const char c : identifiers[i])
        put(static_cast<unsigned char>(c), kCharacterBits);
    }
    put(0, kCharacterBits);
  }

  void put_bytes(std::string_view bytes) noexcept {
    for (std::size_t i = 0; i < bytes.size() && !cut_; ++i)
      put(static_cast<unsigned char>(bytes[i]), 8);
    put(0, 8);
  }

  std::uint64_t key(Kind rank) const noexcept {
    return (static_cast<std::uint64_t>(rank) << (64 - kRankBits))
           | (code_ << (kCodeBits - used_) << 1) | (cut_ ? 0 : 1);
  }

 private:
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
    code.put_identifiers(*value.rc);
  } else {
    code.put(1, 1);
  }
  return code.key(Kind::semver);
}

std::uint64_t order_key(const DotSeparated& value) noexcept {
  CodeWriter code;
  code.put_identifiers(value.parts);
  return code.key(Kind::dot_separated);
}

std::uint64_t order_key(const Other& value) noexcept {
  CodeWriter code;
  code.put_bytes(value.value);
  return code.key(Kind::other);
}

std::uint64_t order_key(const Version& value) noexcept {
  return std::visit([](const auto& held) { return order_key(held); }, value.value());
}

}  // namespace kolvi::version
