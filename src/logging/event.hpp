// Call-site metadata, field values and the fields of one event or span.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "logging/level.hpp"

namespace kolvi::logging {

// Describes one place in the code that reports events or opens spans. Spans keep a pointer to
// their metadata, so metadata used for spans must outlive them (call sites are static).
struct Metadata {
  Level level;
  std::string_view target;
  std::string_view name;
  std::optional<std::string_view> file;
  std::optional<std::uint32_t> line;
};

// Text that is written exactly as given. For ordinary fields it holds the value's debug form
// (a quoted, escaped string, for instance); for `message` it holds the formatted message. The
// facade does not quote texts itself, so the caller picks the escaping that suits the value.
struct Text {
  std::string_view text;
};

// A value whose debug form is produced on demand. `format` appends to `out` and returns false
// when the value cannot be formatted, which sends the event down the formatting-error path.
struct CustomValue {
  bool (*format)(const void* context, std::string& out);
  const void* context;
};

using FieldValue = std::variant<Text, std::int64_t, std::uint64_t, bool, CustomValue>;

struct Field {
  std::string_view name;
  FieldValue value;
};

using Fields = std::span<const Field>;

// Span ids are never zero, so zero means "no span".
using SpanId = std::uint64_t;
inline constexpr SpanId kNoSpan = 0;

// Where an event or a new span hangs in the span tree.
class ParentSpan {
 public:
  // The span the calling thread is inside, if any.
  static constexpr ParentSpan current() noexcept { return ParentSpan(Choice::kCurrent, kNoSpan); }
  static constexpr ParentSpan root() noexcept { return ParentSpan(Choice::kRoot, kNoSpan); }
  static constexpr ParentSpan of(SpanId id) noexcept { return ParentSpan(Choice::kExplicit, id); }

  constexpr bool is_current() const noexcept { return choice_ == Choice::kCurrent; }
  constexpr bool is_root() const noexcept { return choice_ == Choice::kRoot; }
  constexpr bool is_explicit() const noexcept { return choice_ == Choice::kExplicit; }
  constexpr SpanId id() const noexcept { return id_; }

 private:
  // How the parent is chosen: the calling thread's current span, none, or the one named.
  enum class Choice : std::uint8_t { kCurrent, kRoot, kExplicit };
  constexpr ParentSpan(Choice choice, SpanId id) noexcept : choice_(choice), id_(id) {}
  Choice choice_;
  SpanId id_;
};

}  // namespace kolvi::logging
