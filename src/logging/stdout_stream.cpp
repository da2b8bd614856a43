// The shared, locked standard-output stream that log blocks and test_function write through.
#include "logging/stdout_stream.hpp"

#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <span>

#include "base/write_all.hpp"

namespace kolvi::logging {
namespace {

constexpr int kStdoutFd = 1;
constexpr std::size_t kBufferCapacity = 1024;

// Line-buffered state behind fd 1. Allocated once and never destroyed so that writes made
// while other statics are being torn down still find a valid lock.
struct StdoutStream {
  std::recursive_mutex lock;
  char buffer[kBufferCapacity];
  std::size_t buffered = 0;
};

StdoutStream& stream() noexcept {
  static StdoutStream* const instance = [] {
    auto* created = new StdoutStream;
    std::atexit([] { flush_stdout(); });
    return created;
  }();
  return *instance;
}

// Writes every byte of the given pieces. A closed descriptor counts as success: the output is
// dropped on purpose.
int write_all(std::span<iovec> pieces) noexcept {
  const int error = base::write_all(kStdoutFd, pieces);
  return error == EBADF ? 0 : error;
}

// Sends the buffered bytes followed by `text` in one call; the buffer is empty afterwards
// whatever the outcome, so a failed write is not repeated by the next one.
int write_through(StdoutStream& out, std::string_view text) noexcept {
  iovec pieces[2];
  int count = 0;
  if (out.buffered > 0) pieces[count++] = {out.buffer, out.buffered};
  if (!text.empty()) pieces[count++] = {const_cast<char*>(text.data()), text.size()};
  out.buffered = 0;
  return write_all(std::span(pieces, static_cast<std::size_t>(count)));
}

// Keeps a piece without a line feed for later, writing through when it cannot fit.
int buffer_partial_line(StdoutStream& out, std::string_view text) noexcept {
  if (out.buffered + text.size() <= kBufferCapacity) {
    std::memcpy(out.buffer + out.buffered, text.data(), text.size());
    out.buffered += text.size();
    return 0;
  }
  if (text.size() >= kBufferCapacity) return write_through(out, text);
  if (int error = write_through(out, {})) return error;
  std::memcpy(out.buffer, text.data(), text.size());
  out.buffered = text.size();
  return 0;
}

}  // namespace

std::recursive_mutex& stdout_lock() noexcept {
  return stream().lock;
}

int write_stdout(std::string_view text) noexcept {
  StdoutStream& out = stream();
  std::lock_guard guard(out.lock);
  std::size_t last_line_feed = text.rfind('\n');
  if (last_line_feed == std::string_view::npos) return buffer_partial_line(out, text);
  if (int error = write_through(out, text.substr(0, last_line_feed + 1))) return error;
  return buffer_partial_line(out, text.substr(last_line_feed + 1));
}

int flush_stdout() noexcept {
  StdoutStream& out = stream();
  std::lock_guard guard(out.lock);
  if (out.buffered == 0) return 0;
  return write_through(out, {});
}

}  // namespace kolvi::logging
