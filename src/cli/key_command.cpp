// key: the exact order key of every valid line, streamed through check's pipeline (line_pipeline)
// input by input, so that a file of any size is keyed in the memory of a few chunks and its
// longest line.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <span>
#include <string>
#include <string_view>

#include "cli/commands.hpp"
#include "cli/key_text.hpp"
#include "cli/line_pipeline.hpp"
#include "version/exact_key.hpp"

namespace kolvi::cli {

namespace {

// Writes the key's text a piece at a time, so that a long key leaves its text in pieces too.
void append_key(ChunkOutput& output, std::string_view key, KeyFormat format) {
  for (std::size_t start = 0; start < key.size(); start += kKeyPieceBytes) {
    append_key_text(output.bytes(), key.substr(start, kKeyPieceBytes), format);
    output.settle();
  }
}

template <class Target>
struct KeyLines {
  KeyFormat format;
  bool with_text;

  void operator()(LineChunk& chunk, ChunkOutput& output) const {
    std::string key;
    parse_lines<Target>(chunk, [&](const LineLocation&, std::size_t, std::string_view line,
                                   const typename Target::Value& value) {
      key.clear();
      // A long line's key is sized once: a string growing to it would briefly take half as
      // much again, more than the memory the tool allows itself.
      if (line.size() > kChunkBytes) key.reserve(version::exact_key_size(value));
      version::append_exact_key(key, value);
      append_key(output, key, format);
      if (with_text) {
        output.append("\t");
        output.append(line);
      }
      output.append("\n");
    });
  }
};

// Keys the lines of one input; "-" is standard input.
template <class Target>
int key_input(std::string_view file, const KeyLines<Target>& work, OrderedPool& pool,
              Streams& streams) {
  if (file == "-") {
    return run_line_pipeline(streams.input_fd, kStandardInputName, ReportFormat::text, pool,
                             streams, work);
  }
  const std::string path(file);
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return report_read_failure(streams, file, errno);
  int status = kUsageOrReadError;
  try {
    status = run_line_pipeline(fd, file, ReportFormat::text, pool, streams, work);
  } catch (...) {
    ::close(fd);
    throw;
  }
  ::close(fd);
  return status;
}

}  // namespace

// An input that cannot be read is reported and the others are still keyed; the status is the
// worst of the inputs'.
int run_key(std::size_t target, KeyFormat key_format, bool with_text,
            std::span<const std::string_view> files, Streams& streams) {
  static constexpr std::string_view kStandardInputOnly[] = {"-"};
  if (files.empty()) files = kStandardInputOnly;
  OrderedPool pool = line_pool();
  return version::visit_target(target, [&]<class Target>(Target) {
    const KeyLines<Target> work{key_format, with_text};
    int status = kAllValid;
    for (const std::string_view file : files)
      status = std::max(status, key_input<Target>(file, work, pool, streams));
    return status;
  });
}

}  // namespace kolvi::cli
