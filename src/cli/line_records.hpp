// sort's records: each valid line becomes 16 bytes, its order key and where it lies in the input
// buffer, made chunk by chunk on the pool's workers.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/fatal.hpp"
#include "cli/byte_buffer.hpp"
#include "cli/commands.hpp"
#include "cli/huge_pages.hpp"
#include "cli/line_chunk.hpp"
#include "cli/lines.hpp"
#include "cli/ordered_pool.hpp"
#include "cli/sort_input.hpp"
#include "version/order_key.hpp"

namespace kolvi::cli {

// Where a line lies in the buffer: its offset in the high bits, so that places order like the
// input and break ties, and its length in the low bits, all ones for a line too long to say.
inline constexpr unsigned kLengthBits = 24;
inline constexpr std::uint64_t kLongLine = (std::uint64_t{1} << kLengthBits) - 1;

inline std::uint64_t place_of(std::size_t offset, std::size_t length) noexcept {
  if (offset >> (64 - kLengthBits) != 0) base::fatal("sort input beyond 1 TiB");
  return (static_cast<std::uint64_t>(offset) << kLengthBits)
         | std::min<std::uint64_t>(length, kLongLine);
}

// A long line ends at its line feed: read_inputs adds one where an input lacks it.
inline std::string_view line_at(const ByteBuffer& bytes, std::uint64_t place) noexcept {
  const std::string_view all = bytes.view();
  const std::size_t offset = place >> kLengthBits;
  const std::size_t length = place & kLongLine;
  if (length < kLongLine) return all.substr(offset, length);
  const auto* feed =
      static_cast<const char*>(std::memchr(all.data() + offset, '\n', all.size() - offset));
  return line_before_feed(all, offset, static_cast<std::size_t>(feed - all.data()));
}

struct LineRecord {
  std::uint64_t key;
  std::uint64_t place;
};

// A chunk of one input's lines, whose records go to `records` onwards, one slot per line.
struct RecordChunk {
  RecordChunk(const InputSpan& input, std::size_t first_line, std::size_t begin, std::size_t end,
              const ByteBuffer& bytes, LineRecord* slots) noexcept
      : lines(input.name, first_line, bytes.view().substr(begin, end - begin)),
        begin(begin),
        records(slots) {}

  LineChunk lines;
  std::size_t begin;    // offset of the chunk in the buffer
  LineRecord* records;  // the slot of the chunk's first line
};

// The lines in every input: a slot each in the records, counted before any is parsed so that
// the records are allocated once, at their final size.
inline std::size_t count_input_lines(const ByteBuffer& bytes, std::span<const InputSpan> inputs) {
  std::size_t lines = 0;
  for (const InputSpan& input : inputs)
    lines += count_lines(bytes.view().substr(input.begin, input.end - input.begin));
  return lines;
}

// Parses the lines of every input into records in input order, chunk by chunk on the pool's
// workers, each writing the slots of its own lines; the reports of invalid lines come out in
// input order. An invalid line's slot keeps the key 0, which no value has, and is dropped at the
// end: memory is the input and 16 bytes per line, whatever the lines are.
template <class Target>
int collect_records(const ByteBuffer& bytes, std::span<const InputSpan> inputs,
                    std::vector<LineRecord>& records, OrderedPool& pool, Streams& streams) {
  const std::size_t total_lines = count_input_lines(bytes, inputs);
  records.reserve(total_lines);
  advise_huge_pages(records.data(), records.capacity() * sizeof(LineRecord));
  records.resize(total_lines);
  int status = kAllValid;
  SpareBuffers<std::string> spare_reports;
  LineRecord* slots = records.data();
  for (const InputSpan& input : inputs) {
    const std::string_view through_input = bytes.view().substr(0, input.end);
    std::size_t line = 1;
    for (std::size_t begin = input.begin; begin < input.end;) {
      const std::size_t end = end_of_lines_near(through_input, begin, kChunkBytes);
      const auto chunk = std::make_shared<RecordChunk>(input, line, begin, end, bytes, slots);
      chunk->lines.reports = spare_reports.take();
      const auto parse = [chunk] {
        parse_lines<Target>(
            chunk->lines, [&](const LineLocation& where, std::size_t offset, std::string_view text,
                              const typename Target::Value& value) {
              chunk->records[where.number - chunk->lines.first_line] = {
                  version::order_key(value), place_of(chunk->begin + offset, text.size())};
            });
      };
      const auto deliver = [chunk, &streams, &status, &spare_reports] {
        write_reports(chunk->lines, streams, status);
        spare_reports.give_back(std::move(chunk->lines.reports));
      };
      pool.submit(parse, deliver);
      const std::size_t lines = count_lines(chunk->lines.bytes);
      line += lines;
      slots += lines;
      begin = end;
    }
  }
  pool.drain();
  std::erase_if(records, [](const LineRecord& record) { return record.key == 0; });
  return status;
}

}  // namespace kolvi::cli
