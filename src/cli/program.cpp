// Dispatch from the parsed command line, usage errors, and the end of the run.

#include "cli/program.hpp"

#include <unistd.h>

#include <cerrno>
#include <new>
#include <variant>

#include "base/write_all.hpp"
#include "cli/arguments.hpp"
#include "cli/commands.hpp"

namespace kolvi::cli {

namespace {

int report_usage_error(const UsageError& error, OutputStream& err) {
  err.write("kolvi: ");
  err.write(error.message);
  err.write("\nTry 'kolvi --help' for more information.\n");
  return kUsageOrReadError;
}

int dispatch(const Invocation& invocation, std::string_view version, Streams& streams) {
  const auto& operands = invocation.operands;
  switch (invocation.command) {
    case Command::help:
      streams.out.write(help_text());
      return kAllValid;
    case Command::version:
      streams.out.write("kolvi ");
      streams.out.write(version);
      streams.out.write("\n");
      return kAllValid;
    case Command::check:
      return run_check(invocation.target, invocation.report_format, operands, streams);
    case Command::parse:
      return run_parse(invocation.target, operands[0], streams);
    case Command::compare:
      return run_compare(invocation.target, operands[0], operands[1], streams);
    case Command::sort:
      return run_sort(invocation.target, invocation.reverse, operands, streams);
    case Command::key:
      return run_key(invocation.target, invocation.key_format, invocation.with_text, operands,
                     streams);
  }
  return kUsageOrReadError;
}

// Reports are flushed before output so that both keep their order when they share a file.
void flush_both(OutputStream& out, OutputStream& err) {
  err.flush();
  out.flush();
}

void flush_if_possible(OutputStream& stream) noexcept {
  try {
    stream.flush();
  } catch (const WriteError&) {
  }
}

int end_after_write_failure(const WriteError& failure, OutputStream& err) {
  // Reports still due go out first, if standard error takes them.
  flush_if_possible(err);
  // A reader that went away has all it wanted: no message.
  if (failure.error_number == EPIPE) return kOutputClosed;
  // Straight to the descriptor: the buffered stream may be the one that failed.
  [[maybe_unused]] const int ignored = base::write_all(
      STDERR_FILENO, system_failure_message("write to", failure.stream, failure.error_number),
      base::WhenFull::kWait);
  return kUsageOrReadError;
}

// Whatever is buffered may be lost: the one line goes straight to the descriptor, needing no
// memory that the failed allocation could not get.
int end_out_of_memory(OutputStream& err) {
  flush_if_possible(err);
  constexpr std::string_view kMessage = "kolvi: out of memory\n";
  [[maybe_unused]] const int ignored =
      base::write_all(STDERR_FILENO, kMessage, base::WhenFull::kWait);
  return kUsageOrReadError;
}

}  // namespace

int run_program(std::span<const char* const> arguments, std::string_view version, int input_fd,
                OutputStream& out, OutputStream& err) {
  Streams streams{input_fd, out, err};
  try {
    const auto parsed = parse_arguments(arguments);
    const int status = std::holds_alternative<UsageError>(parsed)
                           ? report_usage_error(std::get<UsageError>(parsed), err)
                           : dispatch(std::get<Invocation>(parsed), version, streams);
    flush_both(out, err);
    return status;
  } catch (const WriteError& failure) {
    return end_after_write_failure(failure, err);
  } catch (const std::bad_alloc&) {
    return end_out_of_memory(err);
  }
}

}  // namespace kolvi::cli
