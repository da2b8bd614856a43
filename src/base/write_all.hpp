// Writing every byte to a file descriptor: resuming after short writes, retrying interrupted
// ones, and (when asked) waiting while a non-blocking descriptor is full.
#pragma once

#include <sys/uio.h>

#include <span>
#include <string_view>

namespace kolvi::base {

// What a write that finds a non-blocking descriptor full (EAGAIN) does.
enum class WhenFull : unsigned char {
  kFail,  // returns EAGAIN, as a plain write(2) would
  kWait,  // waits with poll(2) until the descriptor takes more
};

// Writes all of `pieces`, in order, with writev(2), consuming them as it goes. Returns 0, or the
// errno value of the write that failed; what was written before the failure stays written.
int write_all(int fd, std::span<iovec> pieces, WhenFull when_full = WhenFull::kFail) noexcept;

// The same for one piece.
int write_all(int fd, std::string_view bytes, WhenFull when_full = WhenFull::kFail) noexcept;

}  // namespace kolvi::base
