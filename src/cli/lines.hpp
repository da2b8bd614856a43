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

  // Called before a read(2) that would wait for more input, so that whatever the lines read so
  // far owe an interactive user is out before the tool sits waiting for the next line.
  void before_waiting(std::function<void()> hook) { before_waiting_ = std::move(hook); }

  // The next line, valid until the next call, or nothing at the end of input. Throws ReadError.
  std::optional<std::string_view> next();
  // Every whole line that has arrived: bytes that end just after a line feed, or the last line
  // of the input, which has none. Valid until the next call; nothing at the end of input.
  std::optional<std::string_view> next_lines();

 private:
  // Reads one more block; false at the end of input.
  bool fill();
  // Hands out the bytes up to `end` as the next line or lines.
  std::string_view take(std::size_t end) noexcept;
  // The last line of the input, which no line feed ends, or nothing when none is left.
  std::optional<std::string_view> take_rest() noexcept;

  int fd_;
  std::size_t block_size_;
  ByteBuffer buffer_;
  std::size_t start_ = 0;    // first byte of the next line
  std::size_t scanned_ = 0;  // bytes from start_ known to hold no line feed
  bool at_end_ = false;
  std::function<void()> before_waiting_;
};

// Appends everything `fd` yields to `out`, reading in large blocks. Throws ReadError.
void read_all(int fd, ByteBuffer& out);

// Lines in `bytes`: its line feeds, plus one when the last line has none.
std::size_t count_lines(std::string_view bytes) noexcept;

// Where a run of whole lines that starts at `begin` should end to hold about `size` bytes:
// just after a line feed, or at the end of `bytes`.
std::size_t end_of_lines_near(std::string_view bytes, std::size_t begin, std::size_t size) noexcept;

}  // namespace kolvi::cli
