// The pool's slots form a queue: workers start them front to back, the submitting thread
// delivers them front to back as they finish.

#include "cli/ordered_pool.hpp"

#include <algorithm>
#include <utility>

namespace kolvi::cli {

unsigned OrderedPool::default_workers() noexcept {
  const unsigned processors = std::thread::hardware_concurrency();
  return processors <= 1 ? 0 : std::min(processors, 8U);
}

OrderedPool::OrderedPool(unsigned workers, std::size_t window)
    : window_(std::max<std::size_t>(window, 1)) {
  workers_.reserve(workers);
  for (unsigned i = 0; i < workers; ++i)
    workers_.emplace_back([this] { work(); });
}

OrderedPool::~OrderedPool() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  job_waiting_.notify_all();
  // The jthreads join here, after each worker has left its loop.
  workers_.clear();
}

void OrderedPool::submit(std::function<void()> job, std::function<void()> deliver) {
  if (workers_.empty()) {
    job();
    deliver();
    return;
  }
  std::unique_lock lock(mutex_);
  slots_.push_back(Slot{std::move(job), std::move(deliver)});
  job_waiting_.notify_one();
  while (slots_.size() > window_)
    deliver_front(lock);
}

void OrderedPool::drain() {
  std::unique_lock lock(mutex_);
  while (!slots_.empty())
    deliver_front(lock);
}

void OrderedPool::deliver_front(std::unique_lock<std::mutex>& lock) {
  job_done_.wait(lock, [this] { return slots_.front().done; });
  std::function<void()> deliver = std::move(slots_.front().deliver);
  slots_.pop_front();
  --next_to_start_;  // the front had started, so every index moves down by one
  lock.unlock();
  deliver();
  lock.lock();
}

void OrderedPool::work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    job_waiting_.wait(lock, [this] { return stopping_ || next_to_start_ < slots_.size(); });
    if (stopping_) return;
    Slot& slot = slots_[next_to_start_++];
    lock.unlock();
    slot.job();
    lock.lock();
    slot.done = true;
    job_done_.notify_one();
  }
}

}  // namespace kolvi::cli
