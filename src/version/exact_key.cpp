// Writing the exact order keys of exact_key.hpp, format 1.
#include "version/exact_key.hpp"

#include <cstddef>
#include <string_view>
#include <variant>

namespace kolvi::version {

namespace {

constexpr char kTextEnd = 0x00;
constexpr char kEscape = 0x01;
constexpr char kRcPresent = 0x00;
constexpr char kRcAbsent = 0x01;

// The first byte of each longer form of a number and the largest number it holds.
struct NumberForm {
  unsigned char tag;
  std::uint32_t largest;
  unsigned bytes;  // after the tag's byte, which also holds the number's top bits except in 0xF0
};
constexpr NumberForm kNumberForms[] = {
    {0x80, 0x3FFF, 1},
    {0xC0, 0x1FFFFF, 2},
    {0xE0, 0xFFFFFFF, 3},
};

// The longest form of a number.
constexpr std::size_t kLongestNumber = 5;

// Writes the number's form at `out` and returns the position after it.
char* put_number(char* out, std::uint32_t number) noexcept {
  if (number < 0x80) {
    *out++ = static_cast<char>(number);
    return out;
  }
  for (const NumberForm& form : kNumberForms) {
    if (number > form.largest) continue;
    *out++ = static_cast<char>(form.tag | (number >> (8 * form.bytes)));
    for (unsigned shift = 8 * form.bytes; shift > 0;) {
      shift -= 8;
      *out++ = static_cast<char>((number >> shift) & 0xFF);
    }
    return out;
  }
  *out++ = static_cast<char>(0xF0);
  for (unsigned shift = 32; shift > 0;) {
    shift -= 8;
    *out++ = static_cast<char>((number >> shift) & 0xFF);
  }
  return out;
}

// Version texts nearly never hold the two low bytes, so runs without them go out whole.
void put_escaped(std::string& out, std::string_view text) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte > 0x01) continue;
    out.append(text, start, i - start);
    out += kEscape;
    out += static_cast<char>(byte + 1);
    start = i + 1;
  }
  out.append(text, start, text.size() - start);
}

template <class Texts>
void put_list(std::string& out, const Texts& texts) {
  for (const std::string_view text : texts) {
    put_escaped(out, text);
    out += kTextEnd;
  }
}

// The numbers and the rc byte are written into the stack and go out in one append: keys are
// made for every row a database stores.
void put_body(std::string& out, const SemVer& value) {
  char head[3 * kLongestNumber + 1];
  char* end = put_number(head, value.major);
  end = put_number(end, value.minor);
  end = put_number(end, value.patch);
  *end++ = value.rc.has_value() ? kRcPresent : kRcAbsent;
  out.append(head, static_cast<std::size_t>(end - head));
  if (value.rc.has_value()) put_list(out, *value.rc);
}

void put_body(std::string& out, const DotSeparated& value) {
  put_list(out, value.parts);
}

void put_body(std::string& out, const Other& value) {
  out += value.value;
}

std::size_t number_size(std::uint32_t number) noexcept {
  if (number < 0x80) return 1;
  for (const NumberForm& form : kNumberForms) {
    if (number <= form.largest) return 1 + form.bytes;
  }
  return kLongestNumber;
}

template <class Texts>
std::size_t list_size(const Texts& texts) noexcept {
  std::size_t size = 0;
  for (const std::string_view text : texts) {
    size += text.size() + 1;
    for (const char byte : text)
      size += static_cast<unsigned char>(byte) <= 0x01;
  }
  return size;
}

std::size_t body_size(const SemVer& value) noexcept {
  const std::size_t head =
      number_size(value.major) + number_size(value.minor) + number_size(value.patch) + 1;
  return head + (value.rc.has_value() ? list_size(*value.rc) : 0);
}

std::size_t body_size(const DotSeparated& value) noexcept {
  return list_size(value.parts);
}

std::size_t body_size(const Other& value) noexcept {
  return value.value.size();
}

template <class Value>
void append_kind_key(std::string& out, const Value& value) {
  out += static_cast<char>(kExactKeyFormat);
  put_body(out, value);
}

}  // namespace

void append_exact_key(std::string& out, const SemVer& value) {
  append_kind_key(out, value);
}

void append_exact_key(std::string& out, const DotSeparated& value) {
  append_kind_key(out, value);
}

void append_exact_key(std::string& out, const Other& value) {
  append_kind_key(out, value);
}

void append_exact_key(std::string& out, const Version& value) {
  const char header[] = {static_cast<char>(kExactKeyFormat), static_cast<char>(value.kind_rank())};
  out.append(header, sizeof header);
  std::visit([&](const auto& held) { put_body(out, held); }, value.value());
}

}  // namespace kolvi::version

namespace kolvi::version {

std::size_t exact_key_size(const SemVer& value) noexcept {
  return 1 + body_size(value);
}

std::size_t exact_key_size(const DotSeparated& value) noexcept {
  return 1 + body_size(value);
}

std::size_t exact_key_size(const Other& value) noexcept {
  return 1 + body_size(value);
}

std::size_t exact_key_size(const Version& value) {
  return 2 + std::visit([](const auto& held) { return body_size(held); }, value.value());
}

}  // namespace kolvi::version
