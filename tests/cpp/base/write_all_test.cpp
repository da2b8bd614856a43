// Writing everything to a descriptor: pieces of every size through a pipe, writes cut short by a
// full pipe and by signals, a full non-blocking pipe with and without waiting, and failures.
#include "base/write_all.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <string>
#include <thread>
#include <vector>

namespace kolvi::base {
namespace {

// A pipe whose read end a thread drains into `received`, once told to start.
class DrainedPipe {
 public:
  DrainedPipe() { EXPECT_EQ(::pipe2(fds_, O_CLOEXEC), 0); }
  ~DrainedPipe() {
    close_write_end();
    if (reader_.joinable()) reader_.join();
    ::close(fds_[0]);
  }
  int write_end() const { return fds_[1]; }
  void close_write_end() {
    if (fds_[1] >= 0) ::close(std::exchange(fds_[1], -1));
  }
  void start_draining() {
    reader_ = std::thread([this] {
      char block[4096];
      for (ssize_t n; (n = ::read(fds_[0], block, sizeof block)) != 0;) {
        if (n > 0) received_.append(block, static_cast<std::size_t>(n));
      }
    });
  }
  // Everything written, once the write end is closed.
  const std::string& received() {
    close_write_end();
    if (reader_.joinable()) reader_.join();
    return received_;
  }

 private:
  int fds_[2] = {-1, -1};
  std::thread reader_;
  std::string received_;
};

// `size` bytes of letters, starting at letter `first`.
std::string pattern(std::size_t size, std::size_t first = 0) {
  std::string text(size, '\0');
  for (std::size_t i = 0; i < size; ++i)
    text[i] = static_cast<char>('a' + (first + i) % 23);
  return text;
}

struct PiecesCase {
  const char* name;
  std::vector<std::size_t> sizes;
};

// Far beyond a pipe's 64 KiB, so that writev is cut short many times over.
const PiecesCase kPiecesCases[] = {
    {"nothing", {}},
    {"only empty pieces", {0, 0, 0}},
    {"one byte", {1}},
    {"empty pieces between", {0, 5, 0, 0, 7, 0}},
    {"larger than the pipe", {1 << 20}},
    {"many pieces larger than the pipe", {70'000, 1, 0, 200'000, 3, 65'536}},
    {"more pieces than one writev takes", std::vector<std::size_t>(3000, 2)},
};

TEST(WriteAll, WritesEveryPieceInOrder) {
  for (const PiecesCase& c : kPiecesCases) {
    SCOPED_TRACE(c.name);
    DrainedPipe pipe;
    pipe.start_draining();
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < c.sizes.size(); ++i)
      texts.push_back(pattern(c.sizes[i], i));
    std::vector<iovec> pieces;
    std::string expected;
    for (std::string& text : texts) {
      pieces.push_back({text.data(), text.size()});
      expected += text;
    }
    EXPECT_EQ(write_all(pipe.write_end(), pieces), 0);
    EXPECT_EQ(pipe.received(), expected);
  }
}

// A signal without SA_RESTART interrupts a writev blocked on a full pipe: it returns early
// (EINTR, or the bytes it got through), and the loop goes on from there.
TEST(WriteAll, ResumesAfterSignals) {
  struct sigaction action {};
  action.sa_handler = [](int) {};
  struct sigaction previous {};
  ASSERT_EQ(::sigaction(SIGUSR1, &action, &previous), 0);

  DrainedPipe pipe;
  const std::string text = pattern(4 << 20);
  std::atomic<bool> done = false;
  const pthread_t writer = pthread_self();
  std::thread interrupter([&] {
    for (int i = 0; i < 50 && !done; ++i) {
      pthread_kill(writer, SIGUSR1);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    pipe.start_draining();
  });
  EXPECT_EQ(write_all(pipe.write_end(), text), 0);
  done = true;
  interrupter.join();
  EXPECT_EQ(pipe.received(), text);
  ::sigaction(SIGUSR1, &previous, nullptr);
}

TEST(WriteAll, FullNonBlockingDescriptor) {
  const std::string text = pattern(1 << 20);
  {
    DrainedPipe pipe;
    ASSERT_EQ(::fcntl(pipe.write_end(), F_SETFL, O_NONBLOCK), 0);
    EXPECT_EQ(write_all(pipe.write_end(), text, WhenFull::kFail), EAGAIN);
  }
  DrainedPipe pipe;
  ASSERT_EQ(::fcntl(pipe.write_end(), F_SETFL, O_NONBLOCK), 0);
  std::thread late_reader([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    pipe.start_draining();
  });
  EXPECT_EQ(write_all(pipe.write_end(), text, WhenFull::kWait), 0);
  late_reader.join();
  EXPECT_EQ(pipe.received(), text);
}

TEST(WriteAll, ReturnsTheErrorOfTheFailedWrite) {
  const auto previous = std::signal(SIGPIPE, SIG_IGN);
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  ::close(fds[0]);
  EXPECT_EQ(write_all(fds[1], "lost"), EPIPE);
  ::close(fds[1]);
  std::signal(SIGPIPE, previous);
  EXPECT_EQ(write_all(fds[1], "closed"), EBADF);
  EXPECT_EQ(write_all(-1, "", WhenFull::kWait), 0);  // nothing to write: no call at all
}

}  // namespace
}  // namespace kolvi::base
