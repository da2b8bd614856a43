// sort's input: every file (or standard input) read, in order, into one buffer.
#pragma once

#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "cli/byte_buffer.hpp"
#include "cli/commands.hpp"

namespace kolvi::cli {

// One input's bytes in the shared buffer.
struct InputSpan {
  std::string_view name;
  std::size_t begin = 0;
  std::size_t end = 0;
};

// Reads every input, in order; nothing when one cannot be read (its failure is reported). An
// input that does not end with a line feed gets one in the buffer, after its span, so that every
// line in the buffer ends at a feed.
std::optional<std::vector<InputSpan>> read_inputs(std::span<const std::string_view> files,
                                                  Streams& streams, ByteBuffer& bytes);

}  // namespace kolvi::cli
