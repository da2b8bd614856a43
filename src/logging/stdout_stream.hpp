// The shared, locked standard-output stream that log blocks and test_function write through.
#pragma once
#include <mutex>
#include <string_view>

namespace kolvi::logging {

// Writes `text` to the process's standard output (fd 1) in one locked write.
// Returns 0 on success or when fd 1 is closed (EBADF: discarded silently),
// otherwise the errno of the failed write. EINTR is retried.
int write_stdout(std::string_view text) noexcept;

// Flushes any partial line still held in the buffer. Same return contract as write_stdout.
int flush_stdout() noexcept;

// The re-entrant lock that serialises every write to fd 1. Holding it lets a caller keep
// other writers out across several calls; write_stdout takes it again safely.
std::recursive_mutex& stdout_lock() noexcept;

}  // namespace kolvi::logging
