// Runs of whole lines that a worker thread parses together, collecting the reports of the
// invalid ones so that they can be written in input order.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/lines.hpp"
#include "cli/parse_input.hpp"
#include "text/utf8.hpp"

namespace kolvi::cli {

// Input bytes per chunk: enough work to be worth a hand-over, little enough that the reports
// waiting for their turn stay small.
inline constexpr std::size_t kChunkBytes = std::size_t{1} << 16;

// Buffers that delivered chunks hand back for the next ones to fill. A fresh buffer for every
// chunk would fault its pages in anew; with these, only as many exist as chunks in flight.
// Used on the submitting thread only, where chunks are made and delivered.
template <class Buffer>
class SpareBuffers {
 public:
  Buffer take() {
    if (spare_.empty()) return {};
    Buffer buffer = std::move(spare_.back());
    spare_.pop_back();
    return buffer;
  }
  void give_back(Buffer&& buffer) {
    buffer.clear();
    spare_.push_back(std::move(buffer));
  }

 private:
  std::vector<Buffer> spare_;
};

struct LineChunk {
  LineChunk(std::string_view input_name, std::size_t first_line_number,
            std::string_view lines) noexcept
      : name(input_name), first_line(first_line_number), bytes(lines) {}

  std::string_view name;   // of the input the lines come from
  std::size_t first_line;  // the number of the chunk's first line in that input
  std::string_view bytes;  // whole lines
  std::string reports;     // the messages of the invalid lines, in order
  bool any_invalid = false;
};

// Parses each line of the chunk as Target parses it. For a valid line calls
// on_valid(offset of the line in the chunk, line, value).
template <class Target, class OnValid>
void parse_lines(LineChunk& chunk, OnValid&& on_valid) {
  // One check for the whole chunk: a line feed never sits inside a multi-byte sequence, so
  // valid UTF-8 splits into lines that are valid UTF-8.
  const auto parse = utf8::is_valid(chunk.bytes) ? parse_utf8_input<Target> : parse_input<Target>;
  LineSplitter splitter(chunk.bytes);
  LineLocation where{chunk.name, chunk.first_line};
  for (;; ++where.number) {
    const std::size_t offset = splitter.position();
    const std::optional<std::string_view> line = splitter.next();
    if (!line) return;
    if (std::optional<typename Target::Value> value = parse(*line, &where, chunk.reports)) {
      on_valid(offset, *line, *value);
    } else {
      chunk.any_invalid = true;
    }
  }
}

}  // namespace kolvi::cli
