// sort: every input is read into one buffer, each valid line becomes a 16-byte record (its order
// key and where it starts), the records are sorted and the lines written in their order.
// Memory is the input bytes plus a record per line.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "cli/byte_buffer.hpp"
#include "cli/commands.hpp"
#include "cli/lines.hpp"
#include "cli/sort_key.hpp"

namespace kolvi::cli {

namespace {

// One input's bytes in the shared buffer.
struct InputSpan {
  std::string_view name;
  std::size_t begin = 0;
  std::size_t end = 0;
};

struct LineRecord {
  std::uint64_t key;
  std::uint64_t offset;  // of the line in the buffer; input order, so it also breaks ties
};

// Every line in the buffer ends in a line feed (read_inputs adds one where an input lacks it).
std::string_view line_at(const ByteBuffer& bytes, std::uint64_t offset) noexcept {
  const std::string_view all = bytes.view();
  const auto* feed =
      static_cast<const char*>(std::memchr(all.data() + offset, '\n', all.size() - offset));
  return line_before_feed(all, offset, static_cast<std::size_t>(feed - all.data()));
}

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

std::size_t count_lines(const ByteBuffer& bytes) noexcept {
  const std::string_view all = bytes.view();
  return static_cast<std::size_t>(std::count(all.begin(), all.end(), '\n'));
}

// Parses the lines of every input into records; invalid lines are reported in input order.
template <class K>
int collect_records(const ByteBuffer& bytes, std::span<const InputSpan> inputs,
                    std::vector<LineRecord>& records, Streams& streams) {
  int status = kAllValid;
  std::string complaint;
  for (const InputSpan& input : inputs) {
    LineSplitter splitter(bytes.view().substr(input.begin, input.end - input.begin));
    LineLocation where{input.name, 0};
    for (;;) {
      const std::size_t start = splitter.position();
      const std::optional<std::string_view> line = splitter.next();
      if (!line) break;
      ++where.number;
      if (auto value = parse_input<K>(*line, &where, complaint)) {
        records.push_back({sort_key(*value), input.begin + start});
      } else {
        streams.err.write(complaint);
        complaint.clear();
        status = kSomeInvalid;
      }
    }
  }
  return status;
}

// Key order first; equal keys that were cut short compare the lines themselves (parsing them
// again, which only lines with long shared beginnings need); ties keep input order.
template <class K>
class RecordOrder {
 public:
  RecordOrder(const ByteBuffer& bytes, bool reverse) noexcept : bytes_(bytes), reverse_(reverse) {}

  bool operator()(const LineRecord& a, const LineRecord& b) const {
    std::optional<std::strong_ordering> order = compare_keys(a.key, b.key);
    if (!order) order = compare_lines(line_at(bytes_, a.offset), line_at(bytes_, b.offset));
    if (*order != 0) return reverse_ ? *order > 0 : *order < 0;
    return a.offset < b.offset;
  }

 private:
  static std::strong_ordering compare_lines(std::string_view a, std::string_view b) {
    if (a == b) return std::strong_ordering::equal;
    return K::parse(a).value() <=> K::parse(b).value();
  }

  const ByteBuffer& bytes_;
  bool reverse_;
};

void write_lines(const ByteBuffer& bytes, std::span<const LineRecord> records, Streams& streams) {
  for (const LineRecord& record : records) {
    streams.out.write(line_at(bytes, record.offset));
    streams.out.write("\n");
  }
}

}  // namespace

int run_sort(Kind kind, bool reverse, std::span<const std::string_view> files, Streams& streams) {
  static constexpr std::string_view kStandardInputOnly[] = {"-"};
  if (files.empty()) files = kStandardInputOnly;
  ByteBuffer bytes;
  const std::optional<std::vector<InputSpan>> inputs = read_inputs(files, streams, bytes);
  if (!inputs) return kUsageOrReadError;
  std::vector<LineRecord> records;
  records.reserve(count_lines(bytes));
  return visit_kind(kind, [&]<class K>(K) {
    const int status = collect_records<K>(bytes, *inputs, records, streams);
    std::sort(records.begin(), records.end(), RecordOrder<K>(bytes, reverse));
    // Reports first, so that output and reports sent to the same place keep that order.
    streams.err.flush();
    write_lines(bytes, records, streams);
    return status;
  });
}

}  // namespace kolvi::cli
