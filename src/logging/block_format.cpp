// The text of log event blocks and span field texts, plain or coloured.
#include "logging/block_format.hpp"

#include <array>
#include <limits>
#include <type_traits>

#include "base/decimal.hpp"
#include "text/painter.hpp"

namespace kolvi::logging {
namespace {

using text::Painter;

// SGR parameters of the styles a block uses.
constexpr std::string_view kBold = "1";
constexpr std::string_view kDim = "2";
constexpr std::string_view kDimItalic = "2;3";

struct LevelStyle {
  std::string_view word;    // always five characters wide
  std::string_view colour;  // foreground colour
  std::string_view bold_colour;
};

constexpr std::array<LevelStyle, 5> kLevelStyles{{
    {"TRACE", "35", "1;35"},
    {"DEBUG", "34", "1;34"},
    {" INFO", "32", "1;32"},
    {" WARN", "33", "1;33"},
    {"ERROR", "31", "1;31"},
}};

// The styles of a field's parts; the painter leaves them out in the plain form.
struct FieldStyle {
  std::string_view name;          // the name alone, reset right after it
  std::string_view value_colour;  // started before the ": " that follows a name; may be empty
};

bool append_value(std::string& out, const FieldValue& value) {
  return std::visit(
      [&out](const auto& held) {
        using Held = std::decay_t<decltype(held)>;
        if constexpr (std::is_same_v<Held, Text>) {
          out += held.text;
        } else if constexpr (std::is_same_v<Held, bool>) {
          out += held ? "true" : "false";
        } else if constexpr (std::is_same_v<Held, CustomValue>) {
          return held.format(held.context, out);
        } else {
          base::append_decimal(out, held);
        }
        return true;
      },
      value);
}

enum class OnFailure { kStop, kDropField };

// Writes fields in order, separated by ", ". Fields named "log.*" are never shown (see
// location_of); a leading "r#" (a raw identifier) is not part of the name.
bool append_fields(Painter& painter, Fields fields, const FieldStyle& style, bool separate_first,
                   OnFailure on_failure) {
  std::string& out = painter.out();
  bool all_written = true;
  bool separate = separate_first;
  for (const Field& field : fields) {
    std::string_view name = field.name;
    if (name.starts_with("log.")) continue;
    const std::size_t mark = out.size();
    if (separate) out += ", ";
    if (name == "message") {
      painter.start(style.value_colour);
    } else {
      if (name.starts_with("r#")) name.remove_prefix(2);
      painter.paint(style.name, name);
      painter.start(style.value_colour);
      out += ": ";
    }
    if (!append_value(out, field.value)) {
      if (on_failure == OnFailure::kStop) return false;
      out.resize(mark);
      all_written = false;
      continue;
    }
    separate = true;
  }
  return all_written;
}

const Field* find_field(Fields fields, std::string_view name) noexcept {
  for (const Field& field : fields) {
    if (field.name == name) return &field;
  }
  return nullptr;
}

struct Location {
  std::string_view target;
  std::optional<std::string_view> file;
  std::optional<std::uint32_t> line;
};

// An event of the call site named "log event" with target "log" takes its target, file and line
// from its "log.target", "log.file" and "log.line" fields, when they hold a text or a number that
// fits. The format defines this for events relayed from another logging interface; nothing in
// kolvi emits such events, but a subscriber's blocks follow the rule all the same.
Location location_of(const Metadata& metadata, Fields fields) noexcept {
  Location location{metadata.target, metadata.file, metadata.line};
  if (metadata.name != "log event" || metadata.target != "log") return location;
  if (const Field* target = find_field(fields, "log.target")) {
    if (const auto* text = std::get_if<Text>(&target->value)) location.target = text->text;
  }
  if (const Field* file = find_field(fields, "log.file")) {
    if (const auto* text = std::get_if<Text>(&file->value)) location.file = text->text;
  }
  if (const Field* line = find_field(fields, "log.line")) {
    if (const auto* number = std::get_if<std::uint64_t>(&line->value);
        number && *number <= std::numeric_limits<std::uint32_t>::max()) {
      location.line = static_cast<std::uint32_t>(*number);
    }
  }
  return location;
}

}  // namespace

bool BlockFormatter::append_event_head(std::string& out, const Metadata& metadata, Fields fields,
                                       std::optional<WallTime> time,
                                       std::uint64_t thread_id) const {
  const LevelStyle& level = kLevelStyles[static_cast<std::size_t>(metadata.level)];
  const Location location = location_of(metadata, fields);
  Painter painter(out, colour_);

  out += "  ";
  painter.start(kDim);
  append_timestamp(out, time);
  painter.reset();
  out += ' ';
  painter.paint(level.colour, level.word);
  out += ' ';
  painter.paint(level.bold_colour, location.target);
  painter.start(level.colour);
  out += ": ";
  if (!append_fields(painter, fields, {kBold, level.colour}, false, OnFailure::kStop)) return false;
  painter.reset();
  out += '\n';

  out += "    ";
  if (location.file) {
    painter.paint(kDimItalic, "at");
    out += ' ';
    out += *location.file;
    if (location.line) {
      out += ':';
      base::append_decimal(out, *location.line);
    }
    out += ' ';
  }
  painter.paint(kDimItalic, "on");
  out += " ThreadId(";
  base::append_decimal(out, thread_id);
  out += ")\n";
  return true;
}

void BlockFormatter::append_context_line(std::string& out, std::string_view target,
                                         std::string_view name, std::string_view field_text) const {
  Painter painter(out, colour_);
  out += "    ";
  painter.paint(kDimItalic, "in");
  out += ' ';
  out += target;
  out += "::";
  painter.paint(kBold, name);
  if (!field_text.empty()) {
    out += ' ';
    painter.paint(kDimItalic, "with");
    out += ' ';
    out += field_text;
  }
  out += '\n';
}

bool BlockFormatter::append_span_fields(std::string& field_text, Fields fields) const {
  Painter painter(field_text, colour_);
  return append_fields(painter, fields, {kBold, {}}, !field_text.empty(), OnFailure::kDropField);
}

void BlockFormatter::append_format_error(std::string& out, const Metadata& metadata,
                                         Fields fields) {
  out += "Unable to format the following event. Name: ";
  out += metadata.name;
  out += "; Fields: [";
  bool first = true;
  for (const Field& field : fields) {
    if (!first) out += ", ";
    first = false;
    out += '"';
    out += field.name;
    out += '"';
  }
  out += "]\n";
}

}  // namespace kolvi::logging
