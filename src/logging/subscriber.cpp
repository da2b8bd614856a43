// The subscriber: filters events, keeps the span registry and writes each event's block.
#include "logging/subscriber.hpp"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <vector>

#include "base/write_all.hpp"
#include "logging/stdout_stream.hpp"
#include "logging/thread_id.hpp"

namespace kolvi::logging {
namespace {

// Names the formatting stage in the messages it prints when it cannot write.
constexpr std::string_view kComponentName = "[kolvi::logging::fmt]";

// Stderr is the last resort, so its own failures are ignored.
void write_stderr(std::string_view text) noexcept {
  [[maybe_unused]] const int ignored = base::write_all(STDERR_FILENO, text);
}

// `what` names the undelivered text: "event", or the quoted kind of a replacement line.
void report_if_failed(int error, std::string_view what) {
  if (error == 0) return;
  char description[256];
  std::string message(kComponentName);
  message += " Unable to write an ";
  message += what;
  message += " to the Writer for this Subscriber! Error: ";
  message += ::strerror_r(error, description, sizeof description);
  message += "\n\n";
  write_stderr(message);
}

// Lends the thread's reusable block buffer, or a fresh one when an event is emitted while
// another one is being formatted on the same thread (from a custom value's formatter).
class BlockBuffer {
 public:
  BlockBuffer() noexcept : reusing_(!thread_buffer_in_use) { thread_buffer_in_use = true; }
  ~BlockBuffer() {
    if (!reusing_) return;
    thread_buffer.clear();
    thread_buffer_in_use = false;
  }
  BlockBuffer(const BlockBuffer&) = delete;
  BlockBuffer& operator=(const BlockBuffer&) = delete;

  std::string& text() noexcept { return reusing_ ? thread_buffer : fresh_; }

 private:
  static thread_local std::string thread_buffer;
  static thread_local bool thread_buffer_in_use;
  bool reusing_;
  std::string fresh_;
};

thread_local std::string BlockBuffer::thread_buffer;
thread_local bool BlockBuffer::thread_buffer_in_use = false;

// Stacks of entered spans, per thread and per subscriber. Serials are never reused, so a
// stack can never be mistaken for one of a destroyed subscriber.
thread_local std::unordered_map<std::uint64_t, std::vector<SpanId>> entered_spans;

std::uint64_t next_subscriber_serial() noexcept {
  static std::atomic<std::uint64_t> last{0};
  return last.fetch_add(1, std::memory_order_relaxed) + 1;
}

}  // namespace

Subscriber::Subscriber(SubscriberOptions options)
    : serial_(next_subscriber_serial()),
      max_level_(options.max_level),
      clock_(options.clock),
      formatter_(options.colour) {}

void Subscriber::event(const Metadata& metadata, Fields fields, ParentSpan parent) const {
  if (!enabled(metadata)) return;
  BlockBuffer buffer;
  std::string& block = buffer.text();
  if (!formatter_.append_event_head(block, metadata, fields, clock_(), current_thread_id())) {
    block.clear();
    BlockFormatter::append_format_error(block, metadata, fields);
    report_if_failed(write_stdout(block), "\"event formatting error\"");
    return;
  }
  append_context(block, parent);
  block += '\n';
  report_if_failed(write_stdout(block), "event");
}

void Subscriber::append_context(std::string& out, ParentSpan parent) const {
  std::shared_lock lock(spans_mutex_);
  SpanId id = kNoSpan;
  if (parent.is_explicit() && spans_.contains(parent.id())) {
    id = parent.id();
  } else if (!parent.is_root()) {
    id = current_span();
  }
  // Every open span holds a reference on its parent, so the chain is complete.
  for (auto found = spans_.find(id); found != spans_.end(); found = spans_.find(id)) {
    const SpanRecord& span = found->second;
    formatter_.append_context_line(out, span.metadata->target, span.metadata->name,
                                   span.field_text);
    id = span.parent;
  }
}

SpanId Subscriber::new_span(const Metadata& metadata, Fields fields, ParentSpan parent) {
  if (!enabled(metadata)) return kNoSpan;
  std::string field_text;
  formatter_.append_span_fields(field_text, fields);
  const SpanId wanted_parent = parent.is_explicit() ? parent.id()
                               : parent.is_root()   ? kNoSpan
                                                    : current_span();
  const SpanId id = next_span_id_.fetch_add(1, std::memory_order_relaxed);
  std::unique_lock lock(spans_mutex_);
  const SpanId parent_id = add_reference_locked(wanted_parent) ? wanted_parent : kNoSpan;
  spans_.emplace(id, SpanRecord{&metadata, parent_id, std::move(field_text), 1});
  return id;
}

void Subscriber::record(SpanId id, Fields fields) {
  std::string addition;
  formatter_.append_span_fields(addition, fields);
  if (addition.empty()) return;
  std::unique_lock lock(spans_mutex_);
  auto found = spans_.find(id);
  if (found == spans_.end()) return;
  std::string& text = found->second.field_text;
  if (!text.empty()) text += ", ";
  text += addition;
}

void Subscriber::enter(SpanId id) {
  {
    std::unique_lock lock(spans_mutex_);
    if (!add_reference_locked(id)) return;
  }
  entered_spans[serial_].push_back(id);
}

void Subscriber::exit(SpanId id) {
  auto stack = entered_spans.find(serial_);
  if (stack == entered_spans.end()) return;
  std::vector<SpanId>& ids = stack->second;
  auto innermost = std::find(ids.rbegin(), ids.rend(), id);
  if (innermost == ids.rend()) return;
  ids.erase(std::next(innermost).base());
  try_close(id);
}

SpanId Subscriber::clone_span(SpanId id) {
  std::unique_lock lock(spans_mutex_);
  return add_reference_locked(id) ? id : kNoSpan;
}

bool Subscriber::try_close(SpanId id) {
  std::unique_lock lock(spans_mutex_);
  bool closed = false;
  for (SpanId releasing = id; releasing != kNoSpan;) {
    auto found = spans_.find(releasing);
    if (found == spans_.end() || --found->second.references > 0) break;
    closed = closed || releasing == id;
    releasing = found->second.parent;
    spans_.erase(found);
  }
  return closed;
}

SpanId Subscriber::current_span() const {
  auto stack = entered_spans.find(serial_);
  if (stack == entered_spans.end() || stack->second.empty()) return kNoSpan;
  return stack->second.back();
}

bool Subscriber::add_reference_locked(SpanId id) {
  auto found = spans_.find(id);
  if (found == spans_.end()) return false;
  ++found->second.references;
  return true;
}

}  // namespace kolvi::logging
