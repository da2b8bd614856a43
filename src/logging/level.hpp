// Log levels and their order, TRACE lowest to ERROR highest.
#pragma once

#include <cstdint>

namespace kolvi::logging {

// Ordered from most to least verbose, so a larger value is more severe.
enum class Level : std::uint8_t { kTrace, kDebug, kInfo, kWarn, kError };

// A level threshold; kOff is stricter than every level.
enum class LevelFilter : std::uint8_t { kTrace, kDebug, kInfo, kWarn, kError, kOff };

constexpr LevelFilter filter_for(Level level) noexcept {
  return static_cast<LevelFilter>(static_cast<std::uint8_t>(level));
}

// A filter passes its own level and every less verbose one.
constexpr bool passes(LevelFilter filter, Level level) noexcept {
  return static_cast<std::uint8_t>(level) >= static_cast<std::uint8_t>(filter);
}

constexpr LevelFilter most_verbose(LevelFilter a, LevelFilter b) noexcept {
  return a < b ? a : b;
}

}  // namespace kolvi::logging
