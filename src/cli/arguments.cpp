// Command-line parsing: commands, their options (--kind, --format, --reverse, --with-text), and
// operand counts.

#include "cli/arguments.hpp"

#include <optional>

#include "version/kinds.hpp"

namespace kolvi::cli {

namespace {

constexpr std::string_view kCommandsHelp =
    "usage: kolvi COMMAND [OPTIONS] [OPERANDS]\n"
    "\n"
    "Commands:\n"
    "  check   [--kind KIND] [--format text|json] [TEXT ...]\n"
    "                                                report every TEXT that is not a valid\n"
    "                                                version; no TEXT: every line of standard\n"
    "                                                input; json: one object per line on\n"
    "                                                standard output\n"
    "  parse   [--kind KIND] TEXT                    print the debug form of TEXT\n"
    "  compare [--kind KIND] A B                     print <, = or >\n"
    "  sort    [--kind KIND] [--reverse] [FILE ...]  print the valid lines of the FILEs in\n"
    "                                                version order; no FILE, or \"-\": standard\n"
    "                                                input\n"
    "  key     [--kind KIND] [--format hex|base64] [--with-text] [FILE ...]\n"
    "                                                print the exact order key of each valid\n"
    "                                                line (hex by default), with a tab and the\n"
    "                                                line after --with-text; no FILE, or \"-\":\n"
    "                                                standard input\n"
    "  --help                                        print this help\n"
    "  --version                                     print the version of kolvi\n"
    "\n";

constexpr std::string_view kStatusHelp =
    "Invalid inputs are reported on standard error (check --format json: standard output).\n"
    "Put -- before operands that begin with '-'.\n"
    "\n"
    "Exit status: 0 when all input is valid, 1 when some input is invalid, 2 on a usage error\n"
    "or a file that cannot be read.\n";

// The --kind names in table order as "a, b, c or d", with `after_first` after the first.
std::string kind_names(std::string_view after_first) {
  const auto& names = version::kTargetNames;
  std::string joined;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) joined += i + 1 == names.size() ? " or " : ", ";
    joined += names[i];
    if (i == 0) joined += after_first;
  }
  return joined;
}

}  // namespace

const std::string& help_text() {
  static const std::string text = std::string(kCommandsHelp) + "KIND is "
                                  + kind_names(" (the default)") + ".\n" + std::string(kStatusHelp);
  return text;
}

namespace {

constexpr std::string_view kKindOption = "--kind";

std::optional<Command> command_named(std::string_view name) noexcept {
  if (name == "check") return Command::check;
  if (name == "parse") return Command::parse;
  if (name == "compare") return Command::compare;
  if (name == "sort") return Command::sort;
  if (name == "key") return Command::key;
  if (name == "--help" || name == "-h") return Command::help;
  if (name == "--version") return Command::version;
  return std::nullopt;
}

std::string quoted(std::string_view text) {
  std::string out = "'";
  out += text;
  out += '\'';
  return out;
}

std::optional<UsageError> set_kind(Invocation& invocation, std::string_view name) {
  const std::optional<std::size_t> target = version::target_named(name);
  if (!target) {
    return UsageError{"unknown kind " + quoted(name) + " (expected " + kind_names("") + ")"};
  }
  invocation.target = *target;
  return std::nullopt;
}

constexpr std::string_view kFormatOption = "--format";

// --format names a report format for check and a key format for key.
std::optional<UsageError> set_format(Invocation& invocation, std::string_view name) {
  if (invocation.command == Command::check) {
    if (name == "text") {
      invocation.report_format = ReportFormat::text;
    } else if (name == "json") {
      invocation.report_format = ReportFormat::json;
    } else {
      return UsageError{"unknown format " + quoted(name) + " (expected text or json)"};
    }
  } else if (name == "hex") {
    invocation.key_format = KeyFormat::hex;
  } else if (name == "base64") {
    invocation.key_format = KeyFormat::base64;
  } else {
    return UsageError{"unknown format " + quoted(name) + " (expected hex or base64)"};
  }
  return std::nullopt;
}

bool takes_format(Command command) noexcept {
  return command == Command::check || command == Command::key;
}

// Reads the options and operands after the command name.
std::optional<UsageError> read_rest(Invocation& invocation,
                                    std::span<const char* const> arguments) {
  bool options_ended = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string_view argument = arguments[i];
    const bool is_option = !options_ended && argument.size() > 1 && argument[0] == '-';
    if (!is_option) {
      invocation.operands.push_back(argument);
    } else if (argument == "--") {
      options_ended = true;
    } else if (argument == kKindOption) {
      if (i + 1 == arguments.size()) return UsageError{"option '--kind' needs a KIND"};
      if (auto error = set_kind(invocation, arguments[++i])) return error;
    } else if (argument.starts_with("--kind=")) {
      if (auto error = set_kind(invocation, argument.substr(kKindOption.size() + 1))) return error;
    } else if (argument == kFormatOption && takes_format(invocation.command)) {
      if (i + 1 == arguments.size()) return UsageError{"option '--format' needs a FORMAT"};
      if (auto error = set_format(invocation, arguments[++i])) return error;
    } else if (argument.starts_with("--format=") && takes_format(invocation.command)) {
      if (auto error = set_format(invocation, argument.substr(kFormatOption.size() + 1))) {
        return error;
      }
    } else if (argument == "--reverse" && invocation.command == Command::sort) {
      invocation.reverse = true;
    } else if (argument == "--with-text" && invocation.command == Command::key) {
      invocation.with_text = true;
    } else if (argument == "--help" || argument == "-h") {
      invocation.command = Command::help;
    } else {
      return UsageError{"unknown option " + quoted(argument)};
    }
  }
  return std::nullopt;
}

std::optional<UsageError> check_operand_count(const Invocation& invocation) {
  const std::size_t count = invocation.operands.size();
  switch (invocation.command) {
    case Command::parse:
      if (count != 1) return UsageError{"parse takes one TEXT"};
      break;
    case Command::compare:
      if (count != 2) return UsageError{"compare takes two TEXTs, A and B"};
      break;
    case Command::help:
    case Command::version:
      if (count != 0) return UsageError{"unexpected operand " + quoted(invocation.operands[0])};
      break;
    case Command::check:
    case Command::sort:
    case Command::key:
      break;
  }
  return std::nullopt;
}

}  // namespace

std::variant<Invocation, UsageError> parse_arguments(std::span<const char* const> arguments) {
  if (arguments.empty()) return UsageError{"missing command"};
  Invocation invocation;
  const std::optional<Command> command = command_named(arguments[0]);
  if (!command) return UsageError{"unknown command " + quoted(arguments[0])};
  invocation.command = *command;
  if (auto error = read_rest(invocation, arguments.subspan(1))) return *error;
  // --help anywhere wins over the operands that came with it.
  if (invocation.command == Command::help) invocation.operands.clear();
  if (auto error = check_operand_count(invocation)) return *error;
  return invocation;
}

}  // namespace kolvi::cli
