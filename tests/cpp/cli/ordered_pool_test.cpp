// The ordered pool: deliveries in submission order however the jobs finish, never more jobs in
// flight than the window, the same results without workers, and failed deliveries passed on.
#include "cli/ordered_pool.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <new>
#include <stdexcept>
#include <thread>
#include <vector>

namespace kolvi::cli {
namespace {

struct PoolCase {
  const char* name;
  unsigned workers;
  std::size_t window;
};

const PoolCase kPoolCases[] = {
    {"no workers", 0, 4}, {"one worker", 1, 1}, {"two workers", 2, 6}, {"many workers", 8, 3}};

// Later jobs finish first, so only the pool can restore the order.
void slow_for_early(int index) {
  std::this_thread::sleep_for(std::chrono::microseconds(200 * ((100 - index) % 7)));
}

TEST(OrderedPool, DeliversInSubmissionOrderWithinTheWindow) {
  for (const PoolCase& c : kPoolCases) {
    SCOPED_TRACE(c.name);
    std::vector<int> delivered;
    std::atomic<std::size_t> in_flight{0};
    std::size_t most_in_flight = 0;
    {
      OrderedPool pool(c.workers, c.window);
      for (int i = 0; i < 100; ++i) {
        ++in_flight;
        most_in_flight = std::max<std::size_t>(most_in_flight, in_flight);
        auto result = std::make_shared<int>(-1);
        pool.submit(
            [i, result] {
              slow_for_early(i);
              *result = i;
            },
            [result, &delivered, &in_flight] {
              delivered.push_back(*result);
              --in_flight;
            });
      }
      pool.drain();
    }
    ASSERT_EQ(delivered.size(), 100U);
    for (int i = 0; i < 100; ++i)
      EXPECT_EQ(delivered[static_cast<std::size_t>(i)], i);
    // Counted just after submission, so one more than the window may be seen.
    EXPECT_LE(most_in_flight, c.window + 1);
  }
}

TEST(OrderedPool, PassesOnAFailedDeliveryAndStillStops) {
  for (const PoolCase& c : kPoolCases) {
    SCOPED_TRACE(c.name);
    int delivered = 0;
    OrderedPool pool(c.workers, c.window);
    const auto submit_all = [&] {
      for (int i = 0; i < 50; ++i) {
        pool.submit([] {},
                    [i, &delivered] {
                      if (i == 10) throw std::runtime_error("write failed");
                      ++delivered;
                    });
      }
      pool.drain();
    };
    EXPECT_THROW(submit_all(), std::runtime_error);
    EXPECT_EQ(delivered, 10);
    // Leaving the scope joins the workers with jobs still queued.
  }
}

// A job that throws (running out of memory, say) fails in its delivery's place, in order.
TEST(OrderedPool, PassesOnAFailedJobInItsDeliverysPlace) {
  for (const PoolCase& c : kPoolCases) {
    SCOPED_TRACE(c.name);
    int delivered = 0;
    OrderedPool pool(c.workers, c.window);
    const auto submit_all = [&] {
      for (int i = 0; i < 50; ++i) {
        pool.submit(
            [i] {
              if (i == 10) throw std::bad_alloc();
            },
            [&delivered] { ++delivered; });
      }
      pool.drain();
    };
    EXPECT_THROW(submit_all(), std::bad_alloc);
    EXPECT_EQ(delivered, 10);
  }
}

}  // namespace
}  // namespace kolvi::cli
