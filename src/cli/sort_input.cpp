// Reading sort's inputs into one buffer.

#include "cli/sort_input.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "cli/lines.hpp"

namespace kolvi::cli {

namespace {

// Appends one input to `bytes`. Throws ReadError.
void read_input(std::string_view name, int standard_input, ByteBuffer& bytes) {
  if (name == "-") return read_all(standard_input, bytes);
  const std::string path(name);
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw ReadError{errno};
  try {
    read_all(fd, bytes);
  } catch (const ReadError&) {
    ::close(fd);
    throw;
  }
  ::close(fd);
}

}  // namespace

std::optional<std::vector<InputSpan>> read_inputs(std::span<const std::string_view> files,
                                                  Streams& streams, ByteBuffer& bytes) {
  std::vector<InputSpan> inputs;
  for (const std::string_view file : files) {
    const std::string_view name = file == "-" ? kStandardInputName : file;
    InputSpan& input = inputs.emplace_back(InputSpan{name, bytes.size(), 0});
    try {
      read_input(file, streams.input_fd, bytes);
    } catch (const ReadError& error) {
      report_read_failure(streams, name, error.error_number);
      return std::nullopt;
    }
    input.end = bytes.size();
    // The added feed is not part of the input: it only ends the last line in the buffer.
    if (input.end > input.begin && bytes.data()[input.end - 1] != '\n') bytes.push_back('\n');
  }
  return inputs;
}

}  // namespace kolvi::cli
