// Output buffering: small pieces gather in memory and leave in one write(2) per buffer.

#include "cli/output.hpp"

#include "base/write_all.hpp"

namespace kolvi::cli {

namespace {

// The tool's output may be a non-blocking pipe; it waits for its reader rather than fail.
int write_fully(int fd, std::string_view bytes) noexcept {
  return base::write_all(fd, bytes, base::WhenFull::kWait);
}

}  // namespace

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
