// The command line: which command runs, on which kind, with which operands.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "cli/key_text.hpp"
#include "cli/parse_input.hpp"

namespace kolvi::cli {

enum class Command : std::uint8_t { help, version, check, parse, compare, sort, key };

struct Invocation {
  Command command = Command::help;
  std::size_t target = 0;  // the row of the parse table: Version unless --kind says otherwise
  bool reverse = false;
  ReportFormat report_format = ReportFormat::text;  // check's --format
  KeyFormat key_format = KeyFormat::hex;            // key's --format
  bool with_text = false;
  std::vector<std::string_view> operands;
};

// What is wrong with the command line, for "kolvi: MESSAGE".
struct UsageError {
  std::string message;
};

// Reads the arguments that follow the program name. Options may come anywhere before "--".
std::variant<Invocation, UsageError> parse_arguments(std::span<const char* const> arguments);

// The text --help prints.
const std::string& help_text();

}  // namespace kolvi::cli
