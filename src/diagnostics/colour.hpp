// Whether reports carry terminal colours, and which colour each label gets.
#pragma once

#include <cstdint>
#include <functional>

namespace kolvi::diagnostics {

// The next fixed colour (256-colour palette index) of a report's labels; the first is 201.
class LabelColourGenerator {
 public:
  int next() noexcept;

 private:
  std::uint16_t red_ = 35000;
  std::uint16_t green_ = 15000;
  std::uint16_t blue_ = 30000;
};

// Looks up an environment variable; returns null when it is unset.
using EnvLookup = std::function<const char*(const char*)>;

// The terminal colour decision from the environment and whether stderr is a terminal.
bool decide_terminal_colour(const EnvLookup& getenv, bool stderr_is_terminal);

// Decided once per process from the real environment, then published atomically.
bool report_colour_enabled();

}  // namespace kolvi::diagnostics
