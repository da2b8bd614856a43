// Decimal text of integers, built in a buffer of its own so that even fault reports can use it.
#pragma once

#include <charconv>
#include <concepts>
#include <cstddef>
#include <string>
#include <string_view>

namespace kolvi::base {

class Decimal {
 public:
  template <std::integral Integer>
  explicit Decimal(Integer value) noexcept
      : size_(static_cast<std::size_t>(std::to_chars(digits_, digits_ + sizeof digits_, value).ptr
                                       - digits_)) {}

  std::string_view view() const noexcept { return {digits_, size_}; }
  std::size_t size() const noexcept { return size_; }

 private:
  char digits_[20];  // the longest 64-bit value, sign included
  std::size_t size_;
};

template <std::integral Integer>
void append_decimal(std::string& out, Integer value) {
  out += Decimal(value).view();
}

}  // namespace kolvi::base
