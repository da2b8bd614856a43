#include "logging/block_format.hpp"

#include <array>
#include <charconv>
#include <limits>
#include <type_traits>

namespace kolvi::logging {
namespace {

constexpr std::string_view kReset = "\x1b[0m";
constexpr std::string_view kBold = "\x1b[1m";
constexpr std::string_view kDim = "\x1b[2m";
constexpr std::string_view kDimItalic = "\x1b[2;3m";

struct LevelStyle {
  std::string_view word;    // always five characters wide
  std::string_view colour;  // foreground colour
  std::string_view bold_colour;
};

constexpr std::array<LevelStyle, 5> kLevelStyles{{
    {"TRACE", "\x1b[35m", "\x1b[1;35m"},
    {"DEBUG", "\x1b[34m", "\x1b[1;34m"},
    {" INFO", "\x1b[32m", "\x1b[1;32m"},
    {" WARN", "\x1b[33m", "\x1b[1;33m"},
    {"ERROR", "\x1b[31m", "\x1b[1;31m"},
}};

// Escape sequences wrapped around the parts of a field; all empty in the plain form.
struct FieldStyle {
  std::string_view name_start;
  std::string_view name_end;
  std::string_view value_colour;  // also put before the ": " that follows a name
};

template <class Integer>
void append_decimal(std::string& out, Integer value) {
  char digits[24];
  auto result = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, result.ptr);
}

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
          append_decimal(out, held);
        }
        return true;
      },
      value);
}

enum class OnFailure { kStop, kDropField };

// Writes fields in order, separated by ", ". Fields named "log.*" carry bridged source
// information and are not shown; a leading "r#" (a raw identifier) is not part of the name.
bool append_fields(std::string& out, Fields fields, const FieldStyle& style, bool separate_first,
                   OnFailure on_failure) {
  bool all_written = true;
  bool separate = separate_first;
  for (const Field& field : fields) {
    std::string_view name = field.name;
    if (name.starts_with("log.")) continue;
    const std::size_t mark = out.size();
    if (separate) out += ", ";
    if (name == "message") {
      out += style.value_colour;
    } else {
      if (name.starts_with("r#")) name.remove_prefix(2);
      out += style.name_start;
      out += name;
      out += style.name_end;
      out += style.value_colour;
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

// Records bridged from the older line-oriented logging interface all share one call site;
// their real origin travels in "log.*" fields.
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
  const auto paint = [&](std::string_view escape, std::string_view text) {
    if (colour_) out += escape;
    out += text;
    if (colour_) out += kReset;
  };

  out += "  ";
  if (colour_) out += kDim;
  append_timestamp(out, time);
  if (colour_) out += kReset;
  out += ' ';
  paint(level.colour, level.word);
  out += ' ';
  paint(level.bold_colour, location.target);
  if (colour_) out += level.colour;
  out += ": ";
  const FieldStyle style = colour_ ? FieldStyle{kBold, kReset, level.colour} : FieldStyle{};
  if (!append_fields(out, fields, style, false, OnFailure::kStop)) return false;
  if (colour_) out += kReset;
  out += '\n';

  out += "    ";
  if (location.file) {
    paint(kDimItalic, "at");
    out += ' ';
    out += *location.file;
    if (location.line) {
      out += ':';
      append_decimal(out, *location.line);
    }
    out += ' ';
  }
  paint(kDimItalic, "on");
  out += " ThreadId(";
  append_decimal(out, thread_id);
  out += ")\n";
  return true;
}

void BlockFormatter::append_context_line(std::string& out, std::string_view target,
                                         std::string_view name, std::string_view field_text) const {
  const auto paint = [&](std::string_view escape, std::string_view text) {
    if (colour_) out += escape;
    out += text;
    if (colour_) out += kReset;
  };
  out += "    ";
  paint(kDimItalic, "in");
  out += ' ';
  out += target;
  out += "::";
  paint(kBold, name);
  if (!field_text.empty()) {
    out += ' ';
    paint(kDimItalic, "with");
    out += ' ';
    out += field_text;
  }
  out += '\n';
}

bool BlockFormatter::append_span_fields(std::string& field_text, Fields fields) const {
  const FieldStyle style = colour_ ? FieldStyle{kBold, kReset, {}} : FieldStyle{};
  return append_fields(field_text, fields, style, !field_text.empty(), OnFailure::kDropField);
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
