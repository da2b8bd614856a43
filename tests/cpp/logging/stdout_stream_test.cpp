// The shared standard-output stream: buffering, flushing, closed and failing descriptors.
#include "logging/stdout_stream.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <string>

namespace kolvi::logging {
namespace {

// Points fd 1 at a non-blocking pipe so a test can see exactly what reached the descriptor.
class StdoutPipe {
 public:
  StdoutPipe() {
    flush_stdout();
    int ends[2];
    EXPECT_EQ(::pipe(ends), 0);
    read_end_ = ends[0];
    ::fcntl(read_end_, F_SETFL, O_NONBLOCK);
    saved_stdout_ = ::dup(1);
    ::dup2(ends[1], 1);
    ::close(ends[1]);
  }
  ~StdoutPipe() {
    ::dup2(saved_stdout_, 1);
    ::close(saved_stdout_);
    if (read_end_ >= 0) ::close(read_end_);
  }

  std::string drain() {
    std::string text;
    char chunk[4096];
    for (ssize_t n; (n = ::read(read_end_, chunk, sizeof chunk)) > 0;) {
      text.append(chunk, static_cast<std::size_t>(n));
    }
    return text;
  }

  void close_read_end() {
    ::close(read_end_);
    read_end_ = -1;
  }

 private:
  int read_end_ = -1;
  int saved_stdout_ = -1;
};

TEST(StdoutStream, PassesCompleteLinesAndKeepsTheRest) {
  StdoutPipe out;
  EXPECT_EQ(write_stdout("no line feed yet"), 0);
  EXPECT_EQ(out.drain(), "");
  EXPECT_EQ(write_stdout(", now\nfirst\nsecond\npartial"), 0);
  EXPECT_EQ(out.drain(), "no line feed yet, now\nfirst\nsecond\n");
  EXPECT_EQ(write_stdout(" end\n"), 0);
  EXPECT_EQ(out.drain(), "partial end\n");
  EXPECT_EQ(flush_stdout(), 0);
  EXPECT_EQ(out.drain(), "");
}

TEST(StdoutStream, FlushWritesAHeldPartialLine) {
  StdoutPipe out;
  EXPECT_EQ(write_stdout("tail"), 0);
  EXPECT_EQ(flush_stdout(), 0);
  EXPECT_EQ(out.drain(), "tail");
}

TEST(StdoutStream, TextLongerThanTheBufferIsNotHeldBack) {
  StdoutPipe out;
  const std::string small(1000, 'a');
  const std::string overflow(100, 'b');
  const std::string huge(5000, 'c');
  EXPECT_EQ(write_stdout(small), 0);
  EXPECT_EQ(out.drain(), "");
  EXPECT_EQ(write_stdout(overflow), 0);  // does not fit beside the held text
  EXPECT_EQ(out.drain(), small);
  EXPECT_EQ(write_stdout(huge), 0);
  EXPECT_EQ(out.drain(), overflow + huge);
}

TEST(StdoutStream, ClosedDescriptorDiscardsSilently) {
  flush_stdout();
  const int saved = ::dup(1);
  ::close(1);
  EXPECT_EQ(write_stdout("dropped\n"), 0);
  EXPECT_EQ(write_stdout("held"), 0);
  EXPECT_EQ(flush_stdout(), 0);
  ::dup2(saved, 1);
  ::close(saved);
}

TEST(StdoutStream, OtherWriteErrorsAreReturned) {
  const auto previous = std::signal(SIGPIPE, SIG_IGN);
  {
    StdoutPipe out;
    out.close_read_end();
    EXPECT_EQ(write_stdout("lost\n"), EPIPE);
    EXPECT_EQ(write_stdout("held"), 0);
    EXPECT_EQ(flush_stdout(), EPIPE);
    EXPECT_EQ(flush_stdout(), 0) << "a failed write is not repeated";
  }
  std::signal(SIGPIPE, previous);
}

TEST(StdoutStream, LockIsReentrant) {
  StdoutPipe out;
  std::lock_guard outer(stdout_lock());
  EXPECT_EQ(write_stdout("inside the lock\n"), 0);
  EXPECT_EQ(out.drain(), "inside the lock\n");
}

}  // namespace
}  // namespace kolvi::logging
