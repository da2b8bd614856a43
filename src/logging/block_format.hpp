// The text of log event blocks and span field texts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "logging/event.hpp"
#include "logging/timestamp.hpp"

namespace kolvi::logging {

// Builds the text of event blocks and span field texts, plain or with ANSI colour.
// Every append function only appends; the caller owns and reuses the buffer.
class BlockFormatter {
 public:
  explicit BlockFormatter(bool colour) noexcept : colour_(colour) {}

  bool colour() const noexcept { return colour_; }

  // Appends the event's first line and its location and thread line. Returns false when a
  // field value failed to format; `out` then holds a partial block.
  bool append_event_head(std::string& out, const Metadata& metadata, Fields fields,
                         std::optional<WallTime> time, std::uint64_t thread_id) const;

  // Appends one "in target::name with fields" line for a span around the event.
  void append_context_line(std::string& out, std::string_view target, std::string_view name,
                           std::string_view field_text) const;

  // Appends span fields to an existing field text, after ", " when the text is not empty.
  // A field whose value fails to format is left out. Returns false when that happened.
  bool append_span_fields(std::string& field_text, Fields fields) const;

  // The line written instead of an event whose fields could not be formatted.
  static void append_format_error(std::string& out, const Metadata& metadata, Fields fields);

 private:
  bool colour_;
};

}  // namespace kolvi::logging
