// The write(2) loop every writer of the project shares.
#include "base/write_all.hpp"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstddef>

namespace kolvi::base {

namespace {

// Blocks until `fd` takes more bytes; false when polling fails.
bool wait_until_writable(int fd) noexcept {
  pollfd watched{fd, POLLOUT, 0};
  for (;;) {
    if (::poll(&watched, 1, -1) >= 0) return true;
    if (errno != EINTR) return false;
  }
}

// Drops the first `written` bytes from the front of `pieces`.
std::span<iovec> consume(std::span<iovec> pieces, std::size_t written) noexcept {
  while (!pieces.empty() && written >= pieces.front().iov_len) {
    written -= pieces.front().iov_len;
    pieces = pieces.subspan(1);
  }
  if (!pieces.empty()) {
    pieces.front().iov_base = static_cast<char*>(pieces.front().iov_base) + written;
    pieces.front().iov_len -= written;
  }
  return pieces;
}

}  // namespace

int write_all(int fd, std::span<iovec> pieces, WhenFull when_full) noexcept {
  pieces = consume(pieces, 0);  // empty pieces up front would otherwise be written as nothing
  while (!pieces.empty()) {
    const int count = pieces.size() < IOV_MAX ? static_cast<int>(pieces.size()) : IOV_MAX;
    const ssize_t written = ::writev(fd, pieces.data(), count);
    if (written >= 0) {
      pieces = consume(pieces, static_cast<std::size_t>(written));
      continue;
    }
    if (errno == EINTR) continue;
    const bool full = errno == EAGAIN || errno == EWOULDBLOCK;
    if (full && when_full == WhenFull::kWait && wait_until_writable(fd)) continue;
    return errno;
  }
  return 0;
}

int write_all(int fd, std::string_view bytes, WhenFull when_full) noexcept {
  iovec piece{const_cast<char*>(bytes.data()), bytes.size()};
  return write_all(fd, std::span(&piece, 1), when_full);
}

}  // namespace kolvi::base
