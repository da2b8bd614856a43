// The command line: which command runs, on which kind, with which operands.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "cli/kinds.hpp"

namespace kolvi::cli {

enum class Command : std::uint8_t { help, version, check, parse, compare, sort };

struct Invocation {
  Command command = Command::help;
  Kind kind = Kind::version;
  bool reverse = false;
  std::vector<std::string_view> operands;
};

// What is wrong with the command line, for "kolvi: MESSAGE".
struct UsageError {
  std::string message;
};

// Reads the arguments that follow the program name. Options may come anywhere before "--".
std::variant<Invocation, UsageError> parse_arguments(std::span<const char* const> arguments);

// The text --help prints.
extern const std::string_view kHelpText;

}  // namespace kolvi::cli
