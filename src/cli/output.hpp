// Buffered output to a file descriptor through write(2), with failures raised as WriteError.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kolvi::cli {

// A failed write(2): the errno value and the stream it was meant for.
struct WriteError {
  int error_number = 0;
  std::string_view stream;  // "standard output" or "standard error"
};

class OutputStream {
 public:
  static constexpr std::size_t kBufferSize = std::size_t{1} << 16;

  OutputStream(int fd, std::string_view name) : fd_(fd), name_(name) {
    buffer_.reserve(kBufferSize);
  }
  OutputStream(const OutputStream&) = delete;
  OutputStream& operator=(const OutputStream&) = delete;

  // Both throw WriteError once the bytes reach the descriptor and it refuses them.
  void write(std::string_view bytes);
  void flush();

 private:
  int fd_;
  std::string_view name_;
  std::string buffer_;
};

}  // namespace kolvi::cli
