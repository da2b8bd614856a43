// The pool's slots form a queue: workers start them front to back, the submitting thread
// delivers them front to back as they finish.

#include "cli/ordered_pool.hpp"

#include <algorithm>
#include <system_error>
#include <utility>

namespace kolvi::cli {

unsigned OrderedPool::default_workers() noexcept {
  const unsigned processors = std::thread::hardware_concurrency();
  return processors <= 1 ? 0 : std::min(processors, 8U);
}

OrderedPool::OrderedPool(unsigned workers, std::size_t window)
    : window_(std::max<std::size_t>(window, 1)) {
  workers_.reserve(workers);
  try {
    for (unsigned i = 0; i < workers; ++i)
      workers_.emplace_back([this] { work(); });
  } catch (const std::system_error&) {
    // Out of threads or of memory for their stacks: the pool works with those it has.
  }
}

void OrderedPool::stop() noexcept {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  jobs_waiting_.release(static_cast<std::ptrdiff_t>(workers_.size()));
  // The jthreads join here, after each worker has left its loop.
  workers_.clear();
}

OrderedPool::~OrderedPool() {
  stop();
}

void OrderedPool::submit(std::function<void()> job, std::function<void()> deliver) {
  if (workers_.empty()) {
    job();
    deliver();
    return;
  }
  std::size_t in_flight = 0;
  {
    const std::lock_guard lock(mutex_);
    slots_.emplace_back(std::move(job), std::move(deliver));
    in_flight = slots_.size();
  }
  jobs_waiting_.release();
  for (; in_flight > window_; --in_flight)
    deliver_front();
}

void OrderedPool::drain() {
  // Only this thread removes slots, so the count can only grow behind its back, never shrink.
  for (;;) {
    {
      const std::lock_guard lock(mutex_);
      if (slots_.empty()) return;
    }
    deliver_front();
  }
}

void OrderedPool::deliver_front() {
  Slot* front = nullptr;
  {
    const std::lock_guard lock(mutex_);
    front = &slots_.front();
  }
  front->done.wait(false, std::memory_order_acquire);
  std::function<void()> deliver = std::move(front->deliver);
  const std::exception_ptr failure = front->failure;
  {
    const std::lock_guard lock(mutex_);
    slots_.pop_front();
    --next_to_start_;  // the front had started, so every index moves down by one
  }
  if (failure) std::rethrow_exception(failure);
  deliver();
}

void OrderedPool::work() {
  for (;;) {
    jobs_waiting_.acquire();
    Slot* slot = nullptr;
    {
      const std::lock_guard lock(mutex_);
      if (stopping_) return;
      slot = &slots_[next_to_start_++];
    }
    try {
      slot->job();
    } catch (...) {
      slot->failure = std::current_exception();
    }
    slot->done.store(true, std::memory_order_release);
    slot->done.notify_one();
  }
}

}  // namespace kolvi::cli
