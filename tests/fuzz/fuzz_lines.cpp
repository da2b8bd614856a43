// Fuzzes the command-line tool's input path: lines split from memory must match lines read from
// a descriptor in small blocks, one by one and in runs, each line's message must be a location
// and then the UTF-8 message or a well-formed report, a chunk parsed at once must give the same
// messages, and the order keys of valid lines must agree with their order.
//
// Input layout: byte 0 picks the block size (bits 0-5, plus 1) and the kind (bits 6-7); the
// rest is the input.
#include <sys/mman.h>
#include <unistd.h>

#include <optional>
#include <string>
#include <vector>

#include "cli/line_chunk.hpp"
#include "cli/lines.hpp"
#include "cli/parse_input.hpp"
#include "fuzz_checks.hpp"
#include "version/order_key.hpp"

namespace {

using namespace kolvi;

constexpr std::string_view kInputName = "<fuzz>";

std::vector<std::string_view> split_in_memory(std::string_view input) {
  std::vector<std::string_view> lines;
  cli::LineSplitter splitter(input);
  while (const auto line = splitter.next())
    lines.push_back(*line);
  return lines;
}

// One descriptor for the whole run, refilled for each input.
int descriptor_holding(std::string_view input) {
  static const int fd = ::memfd_create("fuzz_lines", MFD_CLOEXEC);
  if (fd < 0 || ::ftruncate(fd, 0) != 0
      || ::pwrite(fd, input.data(), input.size(), 0) != static_cast<ssize_t>(input.size())
      || ::lseek(fd, 0, SEEK_SET) != 0) {
    fuzz::fail("cannot prepare the input descriptor");
  }
  return fd;
}

void check_reader_agrees(std::string_view input, std::size_t block_size,
                         const std::vector<std::string_view>& expected) {
  cli::LineReader reader(descriptor_holding(input), block_size);
  for (const std::string_view line : expected) {
    const std::optional<std::string_view> read = reader.next();
    fuzz::check(read.has_value(), "the reader ends before the splitter");
    fuzz::check(*read == line, "the reader and the splitter give different lines", *read);
  }
  fuzz::check(!reader.next().has_value(), "the reader gives more lines than the splitter");
}

// Runs of whole lines, split again, give the same lines; only the last run may end unfinished.
void check_runs_agree(std::string_view input, std::size_t block_size,
                      const std::vector<std::string_view>& expected) {
  cli::LineReader reader(descriptor_holding(input), block_size);
  std::vector<std::string> lines;
  bool unfinished = false;
  while (const std::optional<std::string_view> run = reader.next_lines()) {
    fuzz::check(!unfinished, "a run follows one that did not end with a line feed");
    fuzz::check(!run->empty(), "an empty run of lines");
    unfinished = run->back() != '\n';
    for (const std::string_view line : split_in_memory(*run))
      lines.emplace_back(line);
  }
  fuzz::check(lines.size() == expected.size(), "runs of lines hold a different number of lines");
  for (std::size_t i = 0; i < lines.size(); ++i)
    fuzz::check(lines[i] == expected[i], "runs of lines hold a different line", lines[i]);
}

void check_line_count(std::string_view input, const std::vector<std::string_view>& lines) {
  std::size_t feeds = 0;
  for (const char c : input)
    feeds += c == '\n' ? 1 : 0;
  const bool unterminated = !input.empty() && input.back() != '\n';
  fuzz::check(lines.size() == feeds + (unterminated ? 1 : 0), "wrong number of lines");
  fuzz::check(cli::count_lines(input) == lines.size(), "count_lines miscounts the lines");
  for (const std::string_view line : lines)
    fuzz::check(line.find('\n') == std::string_view::npos, "a line holds a line feed", line);
}

void check_complaint(std::string_view line, std::size_t number, std::string_view complaint) {
  const std::string location = std::string(kInputName) + ":" + std::to_string(number) + ": ";
  fuzz::check(complaint.starts_with(location), "message does not start with its location",
              complaint);
  const std::string_view message = complaint.substr(location.size());
  if (!utf8::is_valid(line)) {
    fuzz::check(message == "Error: not valid UTF-8\n", "wrong message for bytes that are not UTF-8",
                message);
  } else {
    fuzz::check_report(message);
  }
}

template <class Target>
void check_lines(const std::vector<std::string_view>& lines) {
  std::optional<typename Target::Value> previous;
  std::string complaint;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const cli::LineLocation where{kInputName, i + 1};
    complaint.clear();
    std::optional<typename Target::Value> value =
        cli::parse_input<Target>(lines[i], &where, complaint);
    if (!value) {
      check_complaint(lines[i], i + 1, complaint);
      continue;
    }
    fuzz::check(complaint.empty(), "a valid line has a message", complaint);
    if (previous) {
      const auto decided =
          version::compare_keys(version::order_key(*previous), version::order_key(*value));
      fuzz::check(!decided || *decided == (*previous <=> *value),
                  "order keys disagree with the order of the values", lines[i]);
    }
    previous = std::move(value);
  }
}

// The tool parses a chunk of lines at once, with one UTF-8 check for all of them: its reports must
// be the lines' own messages in order, and each valid line must be found at its offset.
template <class Target>
void check_chunk_agrees(std::string_view input, const std::vector<std::string_view>& lines) {
  std::string expected;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const cli::LineLocation where{kInputName, i + 1};
    cli::parse_input<Target>(lines[i], &where, expected);
  }
  cli::LineChunk chunk(kInputName, 1, input);
  cli::parse_lines<Target>(
      chunk, [&](const cli::LineLocation&, std::size_t offset, std::string_view line, const auto&) {
        fuzz::check(input.substr(offset, line.size()) == line, "a valid line is not at its offset",
                    line);
      });
  fuzz::check(chunk.reports == expected, "a chunk's reports differ from its lines' messages",
              chunk.reports);
  fuzz::check(chunk.any_invalid == !expected.empty(), "a chunk misses that a line was invalid");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::size_t block_size = (data[0] & 0x3F) + 1;
  const std::size_t target = (data[0] >> 6) % version::kParseTargetCount;
  const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::vector<std::string_view> lines = split_in_memory(input);
  check_line_count(input, lines);
  check_reader_agrees(input, block_size, lines);
  check_runs_agree(input, block_size, lines);
  version::visit_target(target, [&]<class Target>(Target) {
    check_lines<Target>(lines);
    check_chunk_agrees<Target>(input, lines);
  });
  return 0;
}
