// Line splitting: the same lines from memory and from a descriptor at every block size, block
// boundaries inside line endings, read failures, and reading whole inputs.
#include "cli/lines.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace kolvi::cli {
namespace {

using namespace std::string_literals;
using namespace std::string_view_literals;
using Lines = std::vector<std::string>;

struct LinesCase {
  std::string_view name;
  std::string_view bytes;
  Lines lines;
};

const LinesCase kLinesCases[] = {
    {"empty", ""sv, {}},
    {"last line without feed", "a"sv, {"a"}},
    {"one line", "a\n"sv, {"a"}},
    {"empty line", "\n"sv, {""}},
    {"empty lines", "\n\n"sv, {"", ""}},
    {"empty line at the end", "a\n\n"sv, {"a", ""}},
    {"crlf", "a\r\nb\r\n"sv, {"a", "b"}},
    {"crlf without text", "\r\n"sv, {""}},
    {"only one carriage return goes", "a\r\r\n"sv, {"a\r"}},
    {"carriage return inside", "a\rb\n"sv, {"a\rb"}},
    {"carriage return at the end without feed", "a\n1.0\r"sv, {"a", "1.0\r"}},
    {"lone carriage return", "\r"sv, {"\r"}},
    {"nothing else trimmed", " a \t\x0b\f\n"sv, {" a \t\x0b\f"}},
    {"nul bytes", "a\0b\n\0"sv, {"a\0b"s, "\0"s}},
    {"not utf-8", "\xff\xfe\n\xc3"sv, {"\xff\xfe", "\xc3"}},
    {"mixed endings", "1\n2\r\n3"sv, {"1", "2", "3"}},
};

Lines split_in_memory(std::string_view bytes) {
  Lines lines;
  LineSplitter splitter(bytes);
  while (const auto line = splitter.next())
    lines.emplace_back(*line);
  return lines;
}

// A descriptor that reads back `bytes`.
int descriptor_of(std::string_view bytes) {
  const int fd = ::memfd_create("lines", MFD_CLOEXEC);
  EXPECT_GE(fd, 0);
  EXPECT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  EXPECT_EQ(::lseek(fd, 0, SEEK_SET), 0);
  return fd;
}

// Writes `bytes` into a pipe's write end in pieces of at most `piece` bytes, then closes it.
std::thread write_in_background(int fd, std::string_view bytes, std::size_t piece) {
  return std::thread([fd, bytes, piece] {
    for (std::size_t done = 0; done < bytes.size();) {
      const ssize_t written =
          ::write(fd, bytes.data() + done, std::min(piece, bytes.size() - done));
      if (written <= 0) break;
      done += static_cast<std::size_t>(written);
    }
    ::close(fd);
  });
}

Lines read_from(int fd, std::size_t block_size) {
  Lines lines;
  LineReader reader(fd, block_size);
  while (const auto line = reader.next())
    lines.emplace_back(*line);
  return lines;
}

TEST(LineSplitter, SplitsAtLineFeeds) {
  for (const LinesCase& c : kLinesCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(split_in_memory(c.bytes), c.lines);
  }
}

// Runs of whole lines, split again into lines.
Lines read_runs_from(int fd, std::size_t block_size) {
  Lines lines;
  LineReader reader(fd, block_size);
  while (const auto run = reader.next_lines()) {
    EXPECT_FALSE(run->empty());
    const Lines in_run = split_in_memory(*run);
    // Only the last line of the input may lack its line feed.
    if (run->back() != '\n') {
      EXPECT_EQ(reader.next_lines(), std::nullopt);
    }
    lines.insert(lines.end(), in_run.begin(), in_run.end());
  }
  return lines;
}

// Small blocks put a block boundary at every byte, including between "\r" and "\n".
TEST(LineReader, ReadsTheSameLinesAtEveryBlockSize) {
  for (const LinesCase& c : kLinesCases) {
    for (const std::size_t block_size : {1, 2, 3, 5, 64}) {
      SCOPED_TRACE(std::string(c.name) + ", block " + std::to_string(block_size));
      const int fd = descriptor_of(c.bytes);
      EXPECT_EQ(read_from(fd, block_size), c.lines);
      ASSERT_EQ(::lseek(fd, 0, SEEK_SET), 0);
      EXPECT_EQ(read_runs_from(fd, block_size), c.lines);
      ::close(fd);
    }
  }
}

TEST(CountLines, CountsALastLineWithoutFeed) {
  for (const LinesCase& c : kLinesCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(count_lines(c.bytes), c.lines.size());
  }
}

TEST(EndOfLinesNear, EndsAfterALineFeed) {
  const struct {
    std::string_view bytes;
    std::size_t begin;
    std::size_t size;
    std::size_t end;
  } kCases[] = {
      {"ab\ncd\nef\n", 0, 4, 3},  // the last feed before the wanted end
      {"ab\ncd\nef\n", 3, 3, 6},  // a feed just at the wanted end
      {"abcdef\ngh\n", 0, 2, 7},  // a longer line runs to its own feed
      {"abcdef", 0, 2, 6},        // ... or to the end of the input
      {"ab\ncd", 3, 100, 5},      // all that is left
      {"ab\ncd\n", 0, 7, 6},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.bytes);
    EXPECT_EQ(end_of_lines_near(c.bytes, c.begin, c.size), c.end);
  }
}

TEST(LineReader, LinesLongerThanABlock) {
  const std::string long_line(10'000, 'x');
  const std::string bytes = "a\n" + long_line + "\r\nb\n" + long_line;
  const int fd = descriptor_of(bytes);
  EXPECT_EQ(read_from(fd, 7), (Lines{"a", long_line, "b", long_line}));
  ::close(fd);
}

// A pipe hands out less than was asked for; a writer on the other side keeps it busy.
TEST(LineReader, ReadsAPipeThatFillsSlowly) {
  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);
  Lines expected;
  std::string bytes;
  for (int i = 0; i < 50'000; ++i) {
    expected.push_back(std::to_string(i) + ".0");
    bytes += expected.back() + (i % 2 == 0 ? "\n" : "\r\n");
  }
  std::thread writer = write_in_background(ends[1], bytes, 4093);
  EXPECT_EQ(read_from(ends[0], LineReader::kDefaultBlockSize), expected);
  writer.join();
  ::close(ends[0]);
}

// The hook runs only when the reader is about to wait: here it supplies the missing input.
TEST(LineReader, CallsTheHookBeforeWaiting) {
  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);
  ASSERT_EQ(::write(ends[1], "a\n", 2), 2);
  LineReader reader(ends[0]);
  int waits = 0;
  reader.before_waiting([&] {
    if (++waits > 1) return;
    EXPECT_EQ(::write(ends[1], "b\n", 2), 2);
    ::close(ends[1]);
  });
  EXPECT_EQ(reader.next(), "a");
  EXPECT_EQ(waits, 0);
  EXPECT_EQ(reader.next(), "b");
  EXPECT_EQ(reader.next(), std::nullopt);
  EXPECT_EQ(waits, 1);
  ::close(ends[0]);
}

TEST(LineReader, ReportsTheSystemErrorOfAFailedRead) {
  const int directory = ::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(directory, 0);
  LineReader reader(directory);
  try {
    reader.next();
    ADD_FAILURE() << "reading a directory succeeded";
  } catch (const ReadError& error) {
    EXPECT_EQ(error.error_number, EISDIR);
  }
  ::close(directory);
}

TEST(ReadAll, AppendsTheWholeInput) {
  const std::string bytes(3 * 1024 * 1024 + 17, 'v');
  for (const bool from_pipe : {false, true}) {
    SCOPED_TRACE(from_pipe ? "pipe" : "file");
    ByteBuffer buffer;
    buffer.push_back('>');
    if (from_pipe) {
      int ends[2];
      ASSERT_EQ(::pipe(ends), 0);
      std::thread writer = write_in_background(ends[1], bytes, bytes.size());
      read_all(ends[0], buffer);
      writer.join();
      ::close(ends[0]);
    } else {
      const int fd = descriptor_of(bytes);
      read_all(fd, buffer);
      ::close(fd);
    }
    EXPECT_EQ(buffer.view(), ">" + bytes);
  }
}

}  // namespace
}  // namespace kolvi::cli
