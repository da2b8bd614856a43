// Line splitting over memory and over read(2), which both apply line_before_feed.

#include "cli/lines.hpp"

#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace kolvi::cli {

namespace {

constexpr std::size_t kReadAllBlockSize = std::size_t{1} << 20;

// One read(2) into `into`, retried when a signal interrupts it. Throws ReadError.
std::size_t read_some(int fd, char* into, std::size_t capacity) {
  for (;;) {
    const ssize_t count = ::read(fd, into, capacity);
    if (count >= 0) return static_cast<std::size_t>(count);
    if (errno != EINTR) throw ReadError{errno};
  }
}

// Whether a read(2) would return at once: data or the end of input is there.
bool input_ready(int fd) noexcept {
  pollfd watched{fd, POLLIN, 0};
  return ::poll(&watched, 1, 0) != 0;
}

std::size_t find_feed(std::string_view bytes, std::size_t from) noexcept {
  if (from == bytes.size()) return std::string_view::npos;  // bytes.data() may be null
  const void* feed = std::memchr(bytes.data() + from, '\n', bytes.size() - from);
  return feed == nullptr ? std::string_view::npos
                         : static_cast<std::size_t>(static_cast<const char*>(feed) - bytes.data());
}

}  // namespace

std::optional<std::string_view> LineSplitter::next() noexcept {
  if (position_ >= bytes_.size()) return std::nullopt;
  const std::size_t start = position_;
  const std::size_t feed = find_feed(bytes_, start);
  if (feed == std::string_view::npos) {
    position_ = bytes_.size();
    return bytes_.substr(start);
  }
  position_ = feed + 1;
  return line_before_feed(bytes_, start, feed);
}

std::optional<std::string_view> LineReader::next() {
  for (;;) {
    const std::string_view held = buffer_.view();
    const std::size_t feed = find_feed(held, start_ + scanned_);
    if (feed != std::string_view::npos) {
      const std::size_t start = start_;
      take(feed + 1);
      return line_before_feed(held, start, feed);
    }
    scanned_ = held.size() - start_;
    if (at_end_ || !fill()) return take_rest();
  }
}

std::optional<std::string_view> LineReader::next_lines() {
  for (;;) {
    const std::string_view held = buffer_.view();
    const std::size_t from = start_ + scanned_;
    const void* last_feed =
        from == held.size() ? nullptr : ::memrchr(held.data() + from, '\n', held.size() - from);
    if (last_feed != nullptr) {
      return take(static_cast<std::size_t>(static_cast<const char*>(last_feed) - held.data()) + 1);
    }
    scanned_ = held.size() - start_;
    if (at_end_ || !fill()) return take_rest();
  }
}

std::string_view LineReader::take(std::size_t end) noexcept {
  const std::string_view taken = buffer_.view().substr(start_, end - start_);
  start_ = end;
  scanned_ = 0;
  return taken;
}

std::optional<std::string_view> LineReader::take_rest() noexcept {
  if (start_ == buffer_.size()) return std::nullopt;
  return take(buffer_.size());
}

bool LineReader::fill() {
  // The lines before start_ have been handed out; only the unfinished one moves to the front.
  buffer_.discard_front(start_);
  start_ = 0;
  buffer_.reserve_extra(block_size_);
  if (before_waiting_ && !input_ready(fd_)) before_waiting_();
  const std::size_t count = read_some(fd_, buffer_.spare(), buffer_.spare_size());
  buffer_.commit(count);
  at_end_ = count == 0;
  return !at_end_;
}

void read_all(int fd, ByteBuffer& out) {
  // A regular file says how much is coming, so the buffer grows once instead of repeatedly.
  struct stat status {};
  if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0) {
    out.reserve_extra(static_cast<std::size_t>(status.st_size) + 1);
  }
  for (;;) {
    // The room already there is used up first: an exact reservation never grows.
    out.reserve_extra(out.spare_size() > 0 ? 1 : kReadAllBlockSize);
    const std::size_t count = read_some(fd, out.spare(), out.spare_size());
    if (count == 0) return;
    out.commit(count);
  }
}

std::size_t count_lines(std::string_view bytes) noexcept {
  const auto feeds = static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
  return feeds + (!bytes.empty() && bytes.back() != '\n' ? 1 : 0);
}

std::size_t end_of_lines_near(std::string_view bytes, std::size_t begin,
                              std::size_t size) noexcept {
  if (size >= bytes.size() - begin) return bytes.size();
  const std::size_t end = begin + size;
  // The last line feed before the wanted end, or the first after it when one line is longer.
  if (const void* feed = ::memrchr(bytes.data() + begin, '\n', size)) {
    return static_cast<std::size_t>(static_cast<const char*>(feed) - bytes.data()) + 1;
  }
  const std::size_t feed = find_feed(bytes, end);
  return feed == std::string_view::npos ? bytes.size() : feed + 1;
}

}  // namespace kolvi::cli
