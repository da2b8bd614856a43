// Small sequential thread numbers for the "on ThreadId(N)" part of a block.
#include "logging/thread_id.hpp"

#include <atomic>

namespace kolvi::logging {

std::uint64_t current_thread_id() noexcept {
  static std::atomic<std::uint64_t> last_assigned{0};
  thread_local const std::uint64_t id = last_assigned.fetch_add(1, std::memory_order_relaxed) + 1;
  return id;
}

}  // namespace kolvi::logging
