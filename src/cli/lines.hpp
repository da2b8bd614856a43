// Input lines: the text up to a line feed, with one carriage return before the feed dropped; the
// last line needs no feed. Split from text held in memory, or read from a file descriptor.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string_view>

#include "cli/byte_buffer.hpp"

namespace kolvi::cli {

// A failed read(2): the errno value.
struct ReadError {
  int error_number = 0;
};

// The text of the line that runs from `start` to the line feed at `feed`.
inline std::string_view line_before_feed(std::string_view bytes, std::size_t start,
                                         std::size_t feed) noexcept {
  const std::size_t end = feed > start && bytes[feed - 1] == '\r' ? feed - 1 : feed;
  return bytes.substr(start, end - start);
}

// Splits text that is wholly in memory. Lines are views into it.
class LineSplitter {
 public:
  explicit LineSplitter(std::string_view bytes) noexcept : bytes_(bytes) {}

  // The next line, or nothing when the text is used up.
  std::optional<std::string_view> next() noexcept;
  // Where the next line starts.
  std::size_t position() const noexcept { return position_; }

 private:
  std::string_view bytes_;
  std::size_t position_ = 0;
};

// Reads lines from a file descriptor in large blocks, holding only the unfinished line between
// reads, so memory stays bounded by the block size and the longest line.
class LineReader {
 public:
  static constexpr std::size_t kDefaultBlockSize = std::size_t{1} << 18;

  explicit LineReader(int fd, std::size_t block_size = kDefaultBlockSize) noexcept
      : fd_(fd), block_size_(block_size) {}

  // Called before each read(2) that may wait, so output meant for an interactive user is
  // flushed before the tool blocks on its next line.
  void before_each_read(std::function<void()> hook) { before_read_ = std::move(hook); }

  // The next line, valid until the next call, or nothing at the end of input. Throws ReadError.
  std::optional<std::string_view> next();

 private:
  // Reads one more block; false at the end of input.
  bool fill();

  int fd_;
  std::size_t block_size_;
  ByteBuffer buffer_;
  std::size_t start_ = 0;    // first byte of the next line
  std::size_t scanned_ = 0;  // bytes from start_ known to hold no line feed
  bool at_end_ = false;
  std::function<void()> before_read_;
};

// Appends everything `fd` yields to `out`, reading in large blocks. Throws ReadError.
void read_all(int fd, ByteBuffer& out);

}  // namespace kolvi::cli
