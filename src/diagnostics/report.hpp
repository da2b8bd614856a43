#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "diagnostics/parse_error.hpp"

namespace kolvi::diagnostics {

// Renders the framed report of a failed parse. `errors` must not be empty.
std::string render_report(std::span<const ParseError> errors, std::string_view source,
                          std::string_view source_name, bool colour);

// What rendering into memory produced: the bytes, or the description of a failed write.
struct RenderedReport {
  std::string bytes;
  std::optional<std::string> write_error;
};

// Renders into memory, turning a failed write (the text outgrowing a string) into write_error.
RenderedReport render_report_to_memory(std::span<const ParseError> errors, std::string_view source,
                                       std::string_view source_name, bool colour);

// The exception text for a rendering outcome: the bytes themselves, or
// "Failed to write error to string: " / "Invalid UTF-8 string: " and the reason.
std::string message_from_rendered(RenderedReport rendered);

// The next fixed colour (256-colour palette index) of a report's labels; the first is 201.
class LabelColourGenerator {
 public:
  int next() noexcept;

 private:
  std::uint16_t red_ = 35000;
  std::uint16_t green_ = 15000;
  std::uint16_t blue_ = 30000;
};

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
