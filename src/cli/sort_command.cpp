// sort: every input is read into one buffer; chunks of lines are parsed on worker threads, each
// valid line becoming a 16-byte record (its order key and where it lies); the records are sorted
// and the lines written in their order. Memory is the input bytes plus a record per valid line.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <numeric>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/fatal.hpp"
#include "cli/byte_buffer.hpp"
#include "cli/commands.hpp"
#include "cli/huge_pages.hpp"
#include "cli/lines.hpp"
#include "version/order_key.hpp"

namespace kolvi::cli {

namespace {

// One input's bytes in the shared buffer.
struct InputSpan {
  std::string_view name;
  std::size_t begin = 0;
  std::size_t end = 0;
};

// Where a line lies in the buffer: its offset in the high bits, so that places order like the
// input and break ties, and its length in the low bits, all ones for a line too long to say.
constexpr unsigned kLengthBits = 24;
constexpr std::uint64_t kLongLine = (std::uint64_t{1} << kLengthBits) - 1;

std::uint64_t place_of(std::size_t offset, std::size_t length) noexcept {
  if (offset >> (64 - kLengthBits) != 0) base::fatal("sort input beyond 1 TiB");
  return (static_cast<std::uint64_t>(offset) << kLengthBits)
         | std::min<std::uint64_t>(length, kLongLine);
}

// A long line ends at its line feed: read_inputs adds one where an input lacks it.
std::string_view line_at(const ByteBuffer& bytes, std::uint64_t place) noexcept {
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

// A chunk of one input's lines and the records of its valid ones.
struct RecordChunk {
  RecordChunk(const InputSpan& input, std::size_t first_line, std::size_t begin, std::size_t end,
              const ByteBuffer& bytes) noexcept
      : lines(input.name, first_line, bytes.view().substr(begin, end - begin)), begin(begin) {}

  LineChunk lines;
  std::size_t begin;  // offset of the chunk in the buffer
  std::vector<LineRecord> records;
};

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

// Reads every input, in order; nothing when one cannot be read (its failure is reported).
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

// Parses the lines of every input into records in input order, chunk by chunk on the pool's
// workers; the reports of invalid lines come out in input order.
template <class Target>
int collect_records(const ByteBuffer& bytes, std::span<const InputSpan> inputs,
                    std::vector<LineRecord>& records, OrderedPool& pool, Streams& streams) {
  // A line with a character takes two bytes with its feed, so this is room for every record
  // without a counting pass first (only a run of empty lines, valid as Version or DotSeparated,
  // can outgrow it, and the vector then grows); pages that no record reaches are never touched.
  records.reserve(bytes.size() / 2);
  advise_huge_pages(records.data(), records.capacity() * sizeof(LineRecord));
  int status = kAllValid;
  SpareBuffers<std::string> spare_reports;
  SpareBuffers<std::vector<LineRecord>> spare_records;
  for (const InputSpan& input : inputs) {
    const std::string_view through_input = bytes.view().substr(0, input.end);
    std::size_t line = 1;
    for (std::size_t begin = input.begin; begin < input.end;) {
      const std::size_t end = end_of_lines_near(through_input, begin, kChunkBytes);
      const auto chunk = std::make_shared<RecordChunk>(input, line, begin, end, bytes);
      chunk->lines.reports = spare_reports.take();
      chunk->records = spare_records.take();
      const std::size_t lines = count_lines(chunk->lines.bytes);
      const auto parse = [chunk, lines] {
        chunk->records.reserve(lines);
        parse_lines<Target>(chunk->lines, [&](std::size_t offset, std::string_view text,
                                              const typename Target::Value& value) {
          chunk->records.push_back(
              {version::order_key(value), place_of(chunk->begin + offset, text.size())});
        });
      };
      const auto deliver = [chunk, &records, &streams, &status, &spare_reports, &spare_records] {
        write_reports(chunk->lines, streams, status);
        records.insert(records.end(), chunk->records.begin(), chunk->records.end());
        spare_reports.give_back(std::move(chunk->lines.reports));
        spare_records.give_back(std::move(chunk->records));
      };
      pool.submit(parse, deliver);
      line += lines;
      begin = end;
    }
  }
  pool.drain();
  return status;
}

// Orders by key, then input order, which puts records with different or whole keys in their
// final order. Key and place form one 128-bit number, compared without branches; reversing
// flips the key's bits, which reverses its order and leaves the places in input order.
struct KeyOrder {
  std::uint64_t flip;  // all ones to reverse the key order, else 0
  unsigned __int128 rank(const LineRecord& record) const noexcept {
    return static_cast<unsigned __int128>(record.key ^ flip) << 64 | record.place;
  }
  bool operator()(const LineRecord& a, const LineRecord& b) const noexcept {
    return rank(a) < rank(b);
  }
};

// Sorts in key order with every worker: the records are split around records picked from an
// evenly spaced sample, and each worker sorts a part of its own, so nothing needs merging.
void sort_by_key(std::vector<LineRecord>& records, bool reverse, OrderedPool& pool) {
  constexpr std::size_t kSampleSize = 1024;
  const KeyOrder order{reverse ? ~std::uint64_t{0} : 0};
  const std::size_t parts = pool.workers();
  if (parts < 2 || records.size() < kSampleSize) {
    std::sort(records.begin(), records.end(), order);
    return;
  }
  std::vector<LineRecord> sample;
  for (std::size_t i = 0; i < kSampleSize; ++i)
    sample.push_back(records[i * records.size() / kSampleSize]);
  std::sort(sample.begin(), sample.end(), order);
  auto part = records.begin();
  for (std::size_t i = 1; i <= parts; ++i) {
    auto part_end = records.end();
    if (i < parts) {
      const LineRecord pivot = sample[i * kSampleSize / parts];
      part_end = std::partition(part, records.end(),
                                [&](const LineRecord& record) { return order(record, pivot); });
    }
    // Earlier parts are sorting while this thread splits off the next.
    pool.submit([part, part_end, order] { std::sort(part, part_end, order); }, [] {});
    part = part_end;
  }
  pool.drain();
}

// Sorts a run of records whose equal keys were cut short by their values, ties in input order.
// Equal lines (the usual case, a line repeated) need no values; any other line is parsed at
// most once, when it first meets a different one.
template <class Target>
void sort_by_values(std::span<LineRecord> run, const ByteBuffer& bytes, bool reverse) {
  const std::string_view first = line_at(bytes, run.front().place);
  const auto same_line = [&](const LineRecord& r) { return line_at(bytes, r.place) == first; };
  if (std::all_of(run.begin() + 1, run.end(), same_line)) return;  // already in input order
  std::vector<std::optional<typename Target::Value>> values(run.size());
  const auto value_of = [&](std::size_t i) -> const typename Target::Value& {
    if (!values[i]) values[i] = std::move(Target::parse(line_at(bytes, run[i].place)).value());
    return *values[i];
  };
  const auto before = [&](std::size_t a, std::size_t b) {
    if (line_at(bytes, run[a].place) != line_at(bytes, run[b].place)) {
      const std::strong_ordering order = value_of(a) <=> value_of(b);
      if (order != 0) return reverse ? order > 0 : order < 0;
    }
    return run[a].place < run[b].place;
  };
  std::vector<std::size_t> order(run.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::sort(order.begin(), order.end(), before);
  std::vector<LineRecord> sorted;
  sorted.reserve(run.size());
  for (const std::size_t i : order)
    sorted.push_back(run[i]);
  std::copy(sorted.begin(), sorted.end(), run.begin());
}

// Sorts by key and input order, which settles every record whose key is whole; then each run of
// equal keys that were cut short is sorted again by value.
template <class Target>
void sort_records(std::vector<LineRecord>& records, const ByteBuffer& bytes, bool reverse,
                  OrderedPool& pool) {
  sort_by_key(records, reverse, pool);
  for (auto run = records.begin(); run != records.end();) {
    const std::uint64_t key = run->key;
    const auto run_end =
        std::find_if(run, records.end(), [key](const LineRecord& r) { return r.key != key; });
    if (!version::key_is_whole(key) && run_end - run > 1) {
      sort_by_values<Target>(std::span(run, run_end), bytes, reverse);
    }
    run = run_end;
  }
}

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
