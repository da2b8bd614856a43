// Terminal colour: the one writer of the SGR escape sequences that colour text, and the two
// decisions of whether text carries them at all, one for reports and one for log blocks.
#pragma once

#include <algorithm>
#include <cstddef>
#include <functional>
#include <string_view>

#include "text/literal.hpp"

namespace kolvi::text {

// --- the escape sequences ------------------------------------------------------------------

inline constexpr std::string_view kEscapeStart = "\x1b[";
inline constexpr char kEscapeEnd = 'm';

constexpr std::size_t escape_size(std::string_view parameters) noexcept {
  return kEscapeStart.size() + parameters.size() + 1;
}

// Writes the escape that starts the style of SGR `parameters`, such as "31", "1;35" or
// "38;5;246", and returns the end of what it wrote (escape_size bytes).
constexpr char* write_escape(char* out, std::string_view parameters) noexcept {
  out = std::copy(kEscapeStart.begin(), kEscapeStart.end(), out);
  out = std::copy(parameters.begin(), parameters.end(), out);
  *out++ = kEscapeEnd;
  return out;
}

// The escape of `kParameters` as a literal, for the writers that store literals inline.
template <Literal kParameters>
inline constexpr auto kEscape = [] {
  Literal<escape_size(kParameters.view()) + 1> escape;
  write_escape(escape.bytes, kParameters.view());
  return escape;
}();

inline constexpr auto& kReset = kEscape<"0">.bytes;

// The longest escape write_palette_escape writes.
inline constexpr std::size_t kPaletteEscapeCapacity = escape_size("38;5;999");

// Writes the escape "38;5;<index>" of a 256-colour palette index, for an index below 1000 (the
// report's label colours run from 16 to 271).
constexpr char* write_palette_escape(char* out, unsigned index) noexcept {
  char parameters[] = "38;5;999";
  char* digit = parameters + 5;
  if (index >= 100) *digit++ = static_cast<char>('0' + index / 100);
  if (index >= 10) *digit++ = static_cast<char>('0' + index / 10 % 10);
  *digit++ = static_cast<char>('0' + index % 10);
  return write_escape(out,
                      std::string_view(parameters, static_cast<std::size_t>(digit - parameters)));
}

// --- whether to write them -----------------------------------------------------------------
//
// The two decisions differ on purpose. A report is the text of an exception or of a line on
// standard error: it is read by a person at a terminal as often as it is captured, compared or
// logged, so it is coloured only where the usual conventions say a terminal wants colour
// (CLICOLOR_FORCE, NO_COLOR, CLICOLOR, TERM, and whether standard error is a terminal). Log
// blocks are the logging facility's own format, coloured by default wherever they go, as that
// format always is; NO_COLOR, the one convention meant for every program, is the only thing that
// turns their colour off.

// Looks up an environment variable; returns null when it is unset.
using EnvLookup = std::function<const char*(const char*)>;

// The report decision from the environment and whether standard error is a terminal.
bool decide_terminal_colour(const EnvLookup& getenv, bool stderr_is_terminal);

// The report decision, made once per process from the real environment and published
// atomically: every report of the process agrees, whatever the environment does later.
bool report_colour_enabled();

// The log decision, from the value of NO_COLOR (null when unset): colour is off only when it is
// set to a non-empty, valid UTF-8 text.
bool colour_from_no_color(const char* no_color) noexcept;

}  // namespace kolvi::text
