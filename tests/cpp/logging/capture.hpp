// Captures what a test writes to a file descriptor, and a fixed clock for timestamps.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <optional>
#include <string>

#include "logging/stdout_stream.hpp"
#include "logging/timestamp.hpp"

namespace kolvi::logging::testing {

// Points a descriptor (1 by default) at a temporary file for the lifetime of the object and
// hands back what was written to it.
class FdCapture {
 public:
  explicit FdCapture(int fd = 1) : fd_(fd) {
    std::fflush(nullptr);
    flush_stdout();
    std::FILE* file = std::tmpfile();
    file_fd_ = ::dup(::fileno(file));
    std::fclose(file);
    saved_fd_ = ::dup(fd_);
    ::dup2(file_fd_, fd_);
  }
  FdCapture(const FdCapture&) = delete;
  FdCapture& operator=(const FdCapture&) = delete;
  ~FdCapture() {
    restore();
    ::close(file_fd_);
  }

  // Restores the descriptor and returns everything written while it was captured.
  std::string finish() {
    restore();
    std::string text;
    char chunk[4096];
    ::lseek(file_fd_, 0, SEEK_SET);
    for (ssize_t n; (n = ::read(file_fd_, chunk, sizeof chunk)) > 0;) {
      text.append(chunk, static_cast<std::size_t>(n));
    }
    return text;
  }

 private:
  void restore() {
    if (saved_fd_ < 0) return;
    std::fflush(nullptr);
    if (fd_ == 1) flush_stdout();
    ::dup2(saved_fd_, fd_);
    ::close(saved_fd_);
    saved_fd_ = -1;
  }

  int fd_;
  int file_fd_ = -1;
  int saved_fd_ = -1;
};

// 2025-01-31T09:05:07.123456789Z
inline std::optional<WallTime> fixed_clock() noexcept {
  return WallTime{1'738'314'307, 123'456'789};
}
inline constexpr const char* kFixedTime = "2025-01-31T09:05:07.123456Z";

}  // namespace kolvi::logging::testing
