// The colour decisions of reports and of log blocks.
#include "text/terminal_colour.hpp"

#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "text/utf8.hpp"

namespace kolvi::text {

namespace {

bool is_set(const char* value) {
  return value != nullptr;
}
bool equals(const char* value, std::string_view expected) {
  return value != nullptr && std::string_view(value) == expected;
}

// The decision is made once; later reports reuse it even if the environment changes.
enum Decision : std::uint8_t { undecided, colour_off, colour_on };
std::atomic<std::uint8_t> terminal_decision{undecided};

}  // namespace

bool decide_terminal_colour(const EnvLookup& getenv, bool stderr_is_terminal) {
  const char* force = getenv("CLICOLOR_FORCE");
  if (is_set(force) && !equals(force, "0")) return true;
  const char* no_color = getenv("NO_COLOR");
  if (is_set(no_color) && *no_color != '\0') return false;
  if (equals(getenv("CLICOLOR"), "0")) return false;
  const char* term = getenv("TERM");
  if (!is_set(term) || equals(term, "dumb")) return false;
  return stderr_is_terminal;
}

bool report_colour_enabled() {
  const std::uint8_t published = terminal_decision.load(std::memory_order_acquire);
  if (published != undecided) return published == colour_on;
  const bool decided = decide_terminal_colour([](const char* name) { return std::getenv(name); },
                                              ::isatty(STDERR_FILENO) == 1);
  std::uint8_t expected = undecided;
  // The loser of a race adopts the winner's value, so every report of the process agrees.
  if (terminal_decision.compare_exchange_strong(expected, decided ? colour_on : colour_off,
                                                std::memory_order_acq_rel,
                                                std::memory_order_acquire)) {
    return decided;
  }
  return expected == colour_on;
}

bool colour_from_no_color(const char* no_color) noexcept {
  if (no_color == nullptr) return true;
  std::string_view value(no_color);
  return value.empty() || !utf8::is_valid(value);
}

}  // namespace kolvi::text
