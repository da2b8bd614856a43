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

// Lines that arrive together as more bytes than this are handled where they lie rather than
// copied into a chunk of their own, so that memory stays the input plus a constant.
inline constexpr std::size_t kLargeChunk = std::size_t{1} << 20;

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
  ReportFormat format = ReportFormat::text;  // of the reports
};

// Calls on_line(offset of the line in the chunk, line, where it is) for each line of the chunk.
template <class OnLine>
void for_each_line(const LineChunk& chunk, OnLine&& on_line) {
  LineSplitter splitter(chunk.bytes);
  LineLocation where{chunk.name, chunk.first_line};
  for (;; ++where.number) {
    const std::size_t offset = splitter.position();
    const std::optional<std::string_view> line = splitter.next();
    if (!line) return;
    on_line(offset, *line, where);
  }
}

// One check for the whole chunk: a line feed never sits inside a multi-byte sequence, so valid
// UTF-8 splits into lines that are valid UTF-8.
inline bool lines_are_utf8(const LineChunk& chunk) noexcept {
  return utf8::is_valid(chunk.bytes);
}

// Parses each line of the chunk as Target parses it. For a valid line calls
// on_valid(where it is, offset of the line in the chunk, line, value).
template <class Target, class OnValid>
void parse_lines(LineChunk& chunk, OnValid&& on_valid) {
  const auto parse = lines_are_utf8(chunk) ? parse_utf8_input<Target> : parse_input<Target>;
  for_each_line(chunk, [&](std::size_t offset, std::string_view line, const LineLocation& where) {
    if (std::optional<typename Target::Value> value =
            parse(line, &where, chunk.reports, chunk.format)) {
      on_valid(where, offset, line, *value);
    } else {
      chunk.any_invalid = true;
    }
  });
}

// Checks each line of the chunk as Target would parse it, building no value.
template <class Target>
void check_lines(LineChunk& chunk) {
  const auto check = lines_are_utf8(chunk) ? check_utf8_input<Target> : check_input<Target>;
  for_each_line(chunk, [&](std::size_t, std::string_view line, const LineLocation& where) {
    if (!check(line, &where, chunk.reports, chunk.format)) chunk.any_invalid = true;
  });
}

}  // namespace kolvi::cli
