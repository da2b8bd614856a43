// sort: every input is read into one buffer (sort_input); chunks of lines are parsed on worker
// threads, each valid line becoming a 16-byte record of its order key and where it lies
// (line_records); the records are sorted by key (parallel_sort), runs of keys that were cut short
// by value (tie_break), and the lines written in their order. Memory is the input bytes plus a
// record per valid line.

#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "cli/byte_buffer.hpp"
#include "cli/commands.hpp"
#include "cli/line_records.hpp"
#include "cli/sort_input.hpp"
#include "cli/tie_break.hpp"

namespace kolvi::cli {

namespace {

// A line whose own feed follows it in the buffer goes out in one piece with that feed.
void write_lines(const ByteBuffer& bytes, std::span<const LineRecord> records, Streams& streams) {
  const std::string_view all = bytes.view();
  for (const LineRecord& record : records) {
    const std::string_view line = line_at(bytes, record.place);
    const std::size_t end = static_cast<std::size_t>(line.data() - all.data()) + line.size();
    if (all[end] == '\n') {
      streams.out.write(all.substr(end - line.size(), line.size() + 1));
    } else {
      streams.out.write(line);
      streams.out.write("\n");
    }
  }
}

}  // namespace

int run_sort(std::size_t target, bool reverse, std::span<const std::string_view> files,
             Streams& streams) {
  static constexpr std::string_view kStandardInputOnly[] = {"-"};
  if (files.empty()) files = kStandardInputOnly;
  ByteBuffer bytes;
  const std::optional<std::vector<InputSpan>> inputs = read_inputs(files, streams, bytes);
  if (!inputs) return kUsageOrReadError;
  std::vector<LineRecord> records;
  OrderedPool pool = line_pool();
  return version::visit_target(target, [&]<class Target>(Target) {
    const int status = collect_records<Target>(bytes, *inputs, records, pool, streams);
    sort_records<Target>(records, bytes, reverse, pool);
    // Reports first, so that output and reports sent to the same place keep that order.
    streams.err.flush();
    write_lines(bytes, records, streams);
    return status;
  });
}

}  // namespace kolvi::cli
