// The subscriber: filters events, keeps the span registry and writes each event's block.
#pragma once

#include <atomic>
#include <cstdint>
#include <shared_mutex>
#include <string>
#include <unordered_map>

#include "logging/block_format.hpp"
#include "logging/event.hpp"
#include "logging/level.hpp"
#include "logging/timestamp.hpp"

namespace kolvi::logging {

struct SubscriberOptions {
  bool colour = true;
  LevelFilter max_level = LevelFilter::kInfo;
  Clock clock = system_clock_now;
};

// The one subscriber this library knows: a level filter in front of the block formatter,
// which writes to the shared standard-output stream, and a registry of the open spans.
class Subscriber {
 public:
  explicit Subscriber(SubscriberOptions options = {});
  Subscriber(const Subscriber&) = delete;
  Subscriber& operator=(const Subscriber&) = delete;

  LevelFilter max_level_hint() const noexcept { return max_level_; }
  bool enabled(const Metadata& metadata) const noexcept {
    return passes(max_level_, metadata.level);
  }

  // Formats the event as a block and writes it; failures are reported on stderr.
  void event(const Metadata& metadata, Fields fields,
             ParentSpan parent = ParentSpan::current()) const;

  // Opens a span holding one reference; returns kNoSpan when the level is filtered out.
  // An explicit parent that is no longer open makes the span a root.
  SpanId new_span(const Metadata& metadata, Fields fields,
                  ParentSpan parent = ParentSpan::current());
  void record(SpanId id, Fields fields);
  // Entering holds a reference until the matching exit, so an entered span stays open.
  void enter(SpanId id);
  void exit(SpanId id);
  // Adds a reference; returns kNoSpan for a span that is not open.
  SpanId clone_span(SpanId id);
  // Drops a reference; returns true when it was the last one and the span is gone. A closed
  // span releases the reference it held on its parent.
  bool try_close(SpanId id);
  // The innermost span the calling thread has entered, or kNoSpan.
  SpanId current_span() const;

 private:
  struct SpanRecord {
    const Metadata* metadata;
    SpanId parent;
    std::string field_text;
    std::uint64_t references;
  };

  // Appends the context lines of the event, innermost span first.
  void append_context(std::string& out, ParentSpan parent) const;
  bool add_reference_locked(SpanId id);

  const std::uint64_t serial_;
  const LevelFilter max_level_;
  const Clock clock_;
  const BlockFormatter formatter_;
  std::atomic<SpanId> next_span_id_{1};
  mutable std::shared_mutex spans_mutex_;
  std::unordered_map<SpanId, SpanRecord> spans_;
};

}  // namespace kolvi::logging
