// Output buffering: small pieces gather in memory and leave in one write(2) per buffer.

#include "cli/output.hpp"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace kolvi::cli {

namespace {

// Blocks until `fd` takes more bytes; false when polling fails.
bool wait_until_writable(int fd) noexcept {
  pollfd watched{fd, POLLOUT, 0};
  for (;;) {
    if (::poll(&watched, 1, -1) >= 0) return true;
    if (errno != EINTR) return false;
  }
}

}  // namespace

int write_fully(int fd, std::string_view bytes) noexcept {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written >= 0) {
      bytes.remove_prefix(static_cast<std::size_t>(written));
      continue;
    }
    if (errno == EINTR) continue;
    if ((errno == EAGAIN || errno == EWOULDBLOCK) && wait_until_writable(fd)) continue;
    return errno;
  }
  return 0;
}

void OutputStream::write(std::string_view bytes) {
  if (buffer_.size() + bytes.size() <= kBufferSize) {
    buffer_ += bytes;
    return;
  }
  flush();
  if (bytes.size() <= kBufferSize) {
    buffer_ += bytes;
  } else if (const int error = write_fully(fd_, bytes)) {
    throw WriteError{error, name_};
  }
}

void OutputStream::flush() {
  if (buffer_.empty()) return;
  const int error = write_fully(fd_, buffer_);
  // The bytes are dropped either way: a stream that failed once gets no second try with them.
  buffer_.clear();
  if (error != 0) throw WriteError{error, name_};
}

}  // namespace kolvi::cli
