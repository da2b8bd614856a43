// check, parse and compare, each input parsed once and reported when invalid; and what check
// and sort share for parsing chunks of lines on worker threads.

#include "cli/commands.hpp"

#include <cstring>
#include <optional>
#include <string>

#include "cli/line_pipeline.hpp"

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
int check_operands(std::span<const std::string_view> texts, ReportFormat format, Streams& streams) {
  int status = kAllValid;
  std::string complaint;
  for (const std::string_view text : texts) {
    if (!check_input<Target>(text, nullptr, complaint, format)) status = kSomeInvalid;
    reports_stream(format, streams).write(complaint);
    complaint.clear();
  }
  return status;
}

template <class Target>
int check_standard_input(ReportFormat format, Streams& streams) {
  OrderedPool pool = line_pool();
  return run_line_pipeline(streams.input_fd, kStandardInputName, format, pool, streams,
                           [](LineChunk& chunk, ChunkOutput&) { check_lines<Target>(chunk); });
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

OutputStream& reports_stream(ReportFormat format, Streams& streams) noexcept {
  return format == ReportFormat::json ? streams.out : streams.err;
}

void write_reports(const LineChunk& chunk, Streams& streams, int& status) {
  reports_stream(chunk.format, streams).write(chunk.reports);
  if (chunk.any_invalid) status = kSomeInvalid;
}

int run_check(std::size_t target, ReportFormat format, std::span<const std::string_view> texts,
              Streams& streams) {
  return version::visit_target(target, [&]<class Target>(Target) {
    return texts.empty() ? check_standard_input<Target>(format, streams)
                         : check_operands<Target>(texts, format, streams);
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
