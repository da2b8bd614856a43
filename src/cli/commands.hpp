// The five commands. Each returns its exit status and writes through the streams it is given.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "cli/key_text.hpp"
#include "cli/line_chunk.hpp"
#include "cli/ordered_pool.hpp"
#include "cli/output.hpp"
#include "cli/parse_input.hpp"

namespace kolvi::cli {

enum ExitStatus : int {
  kAllValid = 0,
  kSomeInvalid = 1,
  kUsageOrReadError = 2,
  // What a shell reports for a writer killed by SIGPIPE; the tool exits with it instead when its
  // reader goes away early, so pipelines see the familiar status and no message appears.
  kOutputClosed = 128 + 13,
};

struct Streams {
  int input_fd;  // standard input
  OutputStream& out;
  OutputStream& err;
};

// The name standard input goes by in messages.
inline constexpr std::string_view kStandardInputName = "<stdin>";

int run_check(std::size_t target, ReportFormat format, std::span<const std::string_view> texts,
              Streams& streams);
int run_parse(std::size_t target, std::string_view text, Streams& streams);
int run_compare(std::size_t target, std::string_view first, std::string_view second,
                Streams& streams);
// "-" among the files, or no file at all, reads standard input.
int run_sort(std::size_t target, bool reverse, std::span<const std::string_view> files,
             Streams& streams);

// One line per valid line of the files: its exact order key in `key_format`, then, `with_text`,
// a tab and the line.
int run_key(std::size_t target, KeyFormat key_format, bool with_text,
            std::span<const std::string_view> files, Streams& streams);

// "kolvi: cannot <what>: <system error>" and a line feed: the tool's message for a failed read
// or write.
std::string system_failure_message(std::string_view what, std::string_view name, int error_number);

// Writes "kolvi: cannot read NAME: <system error>" and returns kUsageOrReadError.
int report_read_failure(Streams& streams, std::string_view name, int error_number);

// The pool that parses chunks of lines: a worker per processor and a few chunks each in flight,
// which bounds the reports held back for their turn.
OrderedPool line_pool();

// Where reports in `format` go: text ones to standard error, JSON ones to standard output.
OutputStream& reports_stream(ReportFormat format, Streams& streams) noexcept;

// Writes the reports of a parsed chunk; an invalid line turns `status` into kSomeInvalid.
void write_reports(const LineChunk& chunk, Streams& streams, int& status);

}  // namespace kolvi::cli
