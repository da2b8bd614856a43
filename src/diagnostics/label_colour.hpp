// Which colour each label of a report gets.
#pragma once

#include <algorithm>
#include <cstdint>

namespace kolvi::diagnostics {

// The next fixed colour (256-colour palette index) of a report's labels; the first is 201.
// Inline and constexpr, so that the first colour of a report, all the grammar needs, is worked
// out at compile time.
class LabelColourGenerator {
 public:
  // The three counters wrap at 16 bits; the weighted sum is computed in single precision.
  constexpr int next() noexcept {
    red_ = static_cast<std::uint16_t>(red_ + 20606);
    green_ = static_cast<std::uint16_t>(green_ - 10334);
    blue_ = static_cast<std::uint16_t>(blue_ + 24262);
    const float mix =
        5.0F * unit_share(red_) + 30.0F * unit_share(green_) + 180.0F * unit_share(blue_);
    return std::min(static_cast<int>(mix), 255) + 16;
  }

 private:
  static constexpr float unit_share(std::uint16_t counter) noexcept {
    return static_cast<float>(counter) / 65535.0F * 0.5F + 0.5F;
  }

  std::uint16_t red_ = 35000;
  std::uint16_t green_ = 15000;
  std::uint16_t blue_ = 30000;
};

static_assert(LabelColourGenerator().next() == 201);

}  // namespace kolvi::diagnostics
