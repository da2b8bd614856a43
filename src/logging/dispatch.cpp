// The process-wide default subscriber slot, the subscriber registry and the level filter.
#include "logging/dispatch.hpp"

#include <algorithm>
#include <mutex>

namespace kolvi::logging {

void SubscriberRegistry::register_subscriber(const std::shared_ptr<Subscriber>& subscriber) {
  std::unique_lock lock(mutex_);
  std::erase_if(entries_, [](const std::weak_ptr<Subscriber>& entry) { return entry.expired(); });
  entries_.push_back(subscriber);
  LevelFilter most_verbose_wanted = LevelFilter::kOff;
  for (const std::weak_ptr<Subscriber>& entry : entries_) {
    if (std::shared_ptr<Subscriber> live = entry.lock()) {
      most_verbose_wanted = most_verbose(most_verbose_wanted, live->max_level_hint());
    }
  }
  max_level_.store(most_verbose_wanted, std::memory_order_relaxed);
}

std::size_t SubscriberRegistry::size() const {
  std::shared_lock lock(mutex_);
  return entries_.size();
}

bool DefaultSlot::try_set(std::shared_ptr<Subscriber> subscriber) noexcept {
  int expected = kEmpty;
  if (!state_.compare_exchange_strong(expected, kInitialising, std::memory_order_acquire)) {
    return false;
  }
  subscriber_ = std::move(subscriber);
  state_.store(kSet, std::memory_order_release);
  return true;
}

bool LoggingState::install(std::shared_ptr<Subscriber> subscriber) {
  registry_.register_subscriber(subscriber);
  return slot_.try_set(std::move(subscriber));
}

constinit std::atomic<LevelFilter> global_max_level{LevelFilter::kOff};

LoggingState& global_logging() noexcept {
  // Never destroyed: the installed subscriber lives until the process ends.
  static LoggingState* const state = new LoggingState(global_max_level);
  return *state;
}

bool install_global_subscriber(bool colour) {
  return global_logging().install(
      std::make_shared<Subscriber>(SubscriberOptions{.colour = colour}));
}

void dispatch_event(const Metadata& metadata, Fields fields, ParentSpan parent) {
  if (const Subscriber* subscriber = global_logging().installed()) {
    subscriber->event(metadata, fields, parent);
  }
}

SpanId new_span(const Metadata& metadata, Fields fields, ParentSpan parent) {
  if (!level_enabled(metadata.level)) return kNoSpan;
  Subscriber* subscriber = global_logging().installed();
  return subscriber ? subscriber->new_span(metadata, fields, parent) : kNoSpan;
}

// Span operations on kNoSpan are no-ops inside the subscriber as well, but skipping them
// here spares the lock.
void record_span(SpanId id, Fields fields) {
  Subscriber* subscriber = global_logging().installed();
  if (subscriber && id != kNoSpan) subscriber->record(id, fields);
}

void enter_span(SpanId id) {
  Subscriber* subscriber = global_logging().installed();
  if (subscriber && id != kNoSpan) subscriber->enter(id);
}

void exit_span(SpanId id) {
  Subscriber* subscriber = global_logging().installed();
  if (subscriber && id != kNoSpan) subscriber->exit(id);
}

SpanId clone_span(SpanId id) {
  Subscriber* subscriber = global_logging().installed();
  return subscriber && id != kNoSpan ? subscriber->clone_span(id) : kNoSpan;
}

bool close_span(SpanId id) {
  Subscriber* subscriber = global_logging().installed();
  return subscriber && id != kNoSpan && subscriber->try_close(id);
}

SpanId current_span() {
  const Subscriber* subscriber = global_logging().installed();
  return subscriber ? subscriber->current_span() : kNoSpan;
}

}  // namespace kolvi::logging
