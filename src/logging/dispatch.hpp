// Where events go: the global default subscriber, the registry of subscribers and the max level.
#pragma once

#include <atomic>
#include <memory>
#include <shared_mutex>
#include <vector>

#include "logging/event.hpp"
#include "logging/level.hpp"
#include "logging/subscriber.hpp"

namespace kolvi::logging {

// Weak references to every subscriber built so far. Registering recomputes the most verbose
// level any live subscriber wants and publishes it as the maximum level.
class SubscriberRegistry {
 public:
  explicit SubscriberRegistry(std::atomic<LevelFilter>& max_level) noexcept
      : max_level_(max_level) {}

  void register_subscriber(const std::shared_ptr<Subscriber>& subscriber);
  std::size_t size() const;

 private:
  std::atomic<LevelFilter>& max_level_;
  mutable std::shared_mutex mutex_;
  std::vector<std::weak_ptr<Subscriber>> entries_;
};

// Holds the default subscriber. It can be set once: its state goes from empty to
// initialising by compare-and-exchange, and to set once the subscriber is stored.
class DefaultSlot {
 public:
  bool try_set(std::shared_ptr<Subscriber> subscriber) noexcept;
  // The stored subscriber, or null while the slot is not yet set.
  Subscriber* get() const noexcept {
    return state_.load(std::memory_order_acquire) == kSet ? subscriber_.get() : nullptr;
  }

 private:
  enum : int { kEmpty = 0, kInitialising = 1, kSet = 2 };
  std::atomic<int> state_{kEmpty};
  std::shared_ptr<Subscriber> subscriber_;
};

// One logging world: maximum level, registry and default slot. The process has one (see
// global_logging()); tests build their own so the process-wide one stays untouched.
class LoggingState {
 public:
  explicit LoggingState(std::atomic<LevelFilter>& max_level) noexcept
      : max_level_(max_level), registry_(max_level) {}

  // Registers the subscriber, then tries to make it the default. False when a default was
  // already set; the subscriber is then released.
  bool install(std::shared_ptr<Subscriber> subscriber);

  LevelFilter max_level() const noexcept { return max_level_.load(std::memory_order_relaxed); }
  Subscriber* installed() const noexcept { return slot_.get(); }
  const SubscriberRegistry& registry() const noexcept { return registry_; }

 private:
  std::atomic<LevelFilter>& max_level_;
  SubscriberRegistry registry_;
  DefaultSlot slot_;
};

// Starts at kOff, so that nothing is even looked at before a subscriber is installed.
extern constinit std::atomic<LevelFilter> global_max_level;

LoggingState& global_logging() noexcept;

// Builds the subscriber (INFO filter, block format, standard output) and installs it as the
// process's default. False when a default was already installed; the first one stays.
bool install_global_subscriber(bool colour);

// The event-site test: one relaxed load and a compare, before anything else.
inline bool level_enabled(Level level) noexcept {
  return passes(global_max_level.load(std::memory_order_relaxed), level);
}

// Facade over the installed subscriber. Without one, events are dropped and spans are
// kNoSpan, on which every span operation does nothing.
void dispatch_event(const Metadata& metadata, Fields fields, ParentSpan parent);

inline void event(const Metadata& metadata, Fields fields,
                  ParentSpan parent = ParentSpan::current()) {
  if (level_enabled(metadata.level)) dispatch_event(metadata, fields, parent);
}

SpanId new_span(const Metadata& metadata, Fields fields, ParentSpan parent = ParentSpan::current());
void record_span(SpanId id, Fields fields);
void enter_span(SpanId id);
void exit_span(SpanId id);
SpanId clone_span(SpanId id);
bool close_span(SpanId id);
SpanId current_span();

}  // namespace kolvi::logging
