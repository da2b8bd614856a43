// check, parse and compare, each input parsed once and reported when invalid; and what check
// and sort share for parsing chunks of lines on worker threads.

#include "cli/commands.hpp"

#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "cli/lines.hpp"

namespace kolvi::cli {

namespace {

// Parses one operand; an invalid one is reported on standard error.
template <class Target>
std::optional<typename Target::Value> parse_operand(std::string_view text, Streams& streams) {
  std::string complaint;
  std::optional<typename Target::Value> value = parse_input<Target>(text, nullptr, complaint);
  streams.err.write(complaint);
  return value;
}

template <class Target>
int check_operands(std::span<const std::string_view> texts, Streams& streams) {
  int status = kAllValid;
  std::string complaint;
  for (const std::string_view text : texts) {
    if (!check_input<Target>(text, nullptr, complaint)) status = kSomeInvalid;
    streams.err.write(complaint);
    complaint.clear();
  }
  return status;
}

// Lines are checked in chunks on the pool's workers; the reader's buffer is reused, so each
// chunk keeps a copy of its lines. Lines that arrive as more than kLargeChunk bytes (a line that
// long, with what came after it in the same read) are checked where they lie, once the chunks
// before them are out: copies in flight stay within a few chunks, whatever the line lengths.
template <class Target>
int check_standard_input(Streams& streams) {
  struct OwnedChunk {
    OwnedChunk(std::string_view text, std::size_t first_line)
        : bytes(text), lines(kStandardInputName, first_line, bytes) {}
    std::string bytes;
    LineChunk lines;
  };
  OrderedPool pool = line_pool();
  LineReader reader(streams.input_fd, kChunkBytes);
  // Someone typing lines sees each report before the tool waits for the next line.
  reader.before_waiting([&] {
    pool.drain();
    streams.err.flush();
  });
  int status = kAllValid;
  std::size_t next_line = 1;
  SpareBuffers<std::string> spare_reports;
  try {
    while (const std::optional<std::string_view> lines = reader.next_lines()) {
      const std::size_t first_line = next_line;
      next_line += count_lines(*lines);
      if (lines->size() > kLargeChunk) {
        pool.drain();
        LineChunk in_place(kStandardInputName, first_line, *lines);
        check_lines<Target>(in_place);
        write_reports(in_place, streams, status);
        continue;
      }
      const auto chunk = std::make_shared<OwnedChunk>(*lines, first_line);
      chunk->lines.reports = spare_reports.take();
      pool.submit([chunk] { check_lines<Target>(chunk->lines); },
                  [chunk, &streams, &status, &spare_reports] {
                    write_reports(chunk->lines, streams, status);
                    spare_reports.give_back(std::move(chunk->lines.reports));
                  });
    }
    pool.drain();
  } catch (const ReadError& error) {
    // The lines that did arrive are still checked.
    pool.drain();
    return report_read_failure(streams, kStandardInputName, error.error_number);
  }
  return status;
}

constexpr std::string_view order_sign(std::strong_ordering order) noexcept {
  if (order < 0) return "<\n";
  if (order > 0) return ">\n";
  return "=\n";
}

}  // namespace

std::string system_failure_message(std::string_view what, std::string_view name, int error_number) {
  std::string message = "kolvi: cannot ";
  message += what;
  message += ' ';
  message += name;
  message += ": ";
  message += std::strerror(error_number);
  message += '\n';
  return message;
}

int report_read_failure(Streams& streams, std::string_view name, int error_number) {
  streams.err.write(system_failure_message("read", name, error_number));
  return kUsageOrReadError;
}

OrderedPool line_pool() {
  const unsigned workers = OrderedPool::default_workers();
  return OrderedPool(workers, 2 * std::size_t{workers});
}

void write_reports(const LineChunk& chunk, Streams& streams, int& status) {
  streams.err.write(chunk.reports);
  if (chunk.any_invalid) status = kSomeInvalid;
}

int run_check(std::size_t target, std::span<const std::string_view> texts, Streams& streams) {
  return version::visit_target(target, [&]<class Target>(Target) {
    return texts.empty() ? check_standard_input<Target>(streams)
                         : check_operands<Target>(texts, streams);
  });
}

int run_parse(std::size_t target, std::string_view text, Streams& streams) {
  return version::visit_target(target, [&]<class Target>(Target) {
    const std::optional<typename Target::Value> value = parse_operand<Target>(text, streams);
    if (!value) return kSomeInvalid;
    streams.out.write(version::debug(*value));
    streams.out.write("\n");
    return kAllValid;
  });
}

int run_compare(std::size_t target, std::string_view first, std::string_view second,
                Streams& streams) {
  return version::visit_target(target, [&]<class Target>(Target) {
    // Both are parsed, so both get reported when both are invalid.
    const std::optional<typename Target::Value> a = parse_operand<Target>(first, streams);
    const std::optional<typename Target::Value> b = parse_operand<Target>(second, streams);
    if (!a || !b) return kSomeInvalid;
    streams.out.write(order_sign(*a <=> *b));
    return kAllValid;
  });
}

}  // namespace kolvi::cli
