#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "diagnostics/parse_error.hpp"

namespace kolvi::diagnostics {

// Renders the framed report of a failed parse. `errors` must not be empty.
std::string render_report(std::span<const ParseError> errors, std::string_view source,
                          std::string_view source_name, bool colour);

// The text a failed parse raises: the rendered report with the process-wide
// colour decision, or the fallback messages should rendering ever fail.
std::string report_message(std::span<const ParseError> errors, std::string_view source,
                           std::string_view source_name);

// Looks up an environment variable; returns null when it is unset.
using EnvLookup = std::function<const char*(const char*)>;

// The terminal colour decision from the environment and whether stderr is a terminal.
bool decide_terminal_colour(const EnvLookup& getenv, bool stderr_is_terminal);

// Decided once per process from the real environment, then published atomically.
bool report_colour_enabled();

}  // namespace kolvi::diagnostics
