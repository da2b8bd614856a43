// Runs jobs on worker threads and hands their results back in submission order, on the thread
// that submitted them, with a bounded number of jobs in flight.
#pragma once

#include <atomic>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <semaphore>
#include <thread>
#include <utility>
#include <vector>

namespace kolvi::cli {

class OrderedPool {
 public:
  // The worker count the tool uses: one per processor, at most 8; none on a single processor,
  // where jobs run right away on the submitting thread.
  static unsigned default_workers() noexcept;

  // At most `window` jobs (at least 1) are submitted and not yet delivered at any time. When the
  // system refuses threads, the pool runs on those it got, or on the submitting thread alone.
  OrderedPool(unsigned workers, std::size_t window);
  OrderedPool(const OrderedPool&) = delete;
  OrderedPool& operator=(const OrderedPool&) = delete;
  // Stops the workers; results not yet delivered are dropped.
  ~OrderedPool();

  std::size_t workers() const noexcept { return workers_.size(); }

  // Queues `job` for a worker. `deliver` runs later on this thread, after every delivery of
  // the jobs submitted before it. While the window is full this delivers (and so may wait).
  // An exception from a delivery, or from a job in place of its delivery, passes out of here or
  // out of drain().
  void submit(std::function<void()> job, std::function<void()> deliver);
  // Delivers everything submitted, waiting for jobs that still run.
  void drain();

 private:
  struct Slot {
    Slot(std::function<void()> job_to_run, std::function<void()> delivery)
        : job(std::move(job_to_run)), deliver(std::move(delivery)) {}
    std::function<void()> job;
    std::function<void()> deliver;
    std::exception_ptr failure;  // what the job threw, set before done
    std::atomic<bool> done{false};
  };

  void work();
  void deliver_front();
  void stop() noexcept;

  // Waiting is on atomics and a semaphore rather than a condition variable: libstdc++ keeps
  // those in its headers, so the tool needs no newer libstdc++ than the extension does.
  std::size_t window_;
  std::mutex mutex_;  // guards slots_, next_to_start_ and stopping_
  std::counting_semaphore<> jobs_waiting_{0};
  std::deque<Slot> slots_;  // submitted and not delivered; elements stay put as it grows
  std::size_t next_to_start_ = 0;
  bool stopping_ = false;
  std::vector<std::jthread> workers_;
};

}  // namespace kolvi::cli
