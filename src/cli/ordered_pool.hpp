// Runs jobs on worker threads and hands their results back in submission order, on the thread
// that submitted them, with a bounded number of jobs in flight.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace kolvi::cli {

class OrderedPool {
 public:
  // The worker count the tool uses: one per processor, at most 8; none on a single processor,
  // where jobs run right away on the submitting thread.
  static unsigned default_workers() noexcept;

  // At most `window` jobs (at least 1) are submitted and not yet delivered at any time.
  OrderedPool(unsigned workers, std::size_t window);
  OrderedPool(const OrderedPool&) = delete;
  OrderedPool& operator=(const OrderedPool&) = delete;
  // Stops the workers; results not yet delivered are dropped.
  ~OrderedPool();

  // Queues `job` for a worker. `deliver` runs later on this thread, after every delivery of
  // the jobs submitted before it. While the window is full this delivers (and so may wait).
  // An exception from a delivery passes out of here or out of drain().
  void submit(std::function<void()> job, std::function<void()> deliver);
  // Delivers everything submitted, waiting for jobs that still run.
  void drain();

 private:
  struct Slot {
    std::function<void()> job;
    std::function<void()> deliver;
    bool done = false;
  };

  void work();
  void deliver_front(std::unique_lock<std::mutex>& lock);

  std::size_t window_;
  std::mutex mutex_;
  std::condition_variable job_waiting_;
  std::condition_variable job_done_;
  std::deque<Slot> slots_;  // submitted and not delivered; elements stay put as it grows
  std::size_t next_to_start_ = 0;
  bool stopping_ = false;
  std::vector<std::jthread> workers_;
};

}  // namespace kolvi::cli
