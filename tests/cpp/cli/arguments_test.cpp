// The command line: each command with its options and operands, and every usage error.
#include "cli/arguments.hpp"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "version/kinds.hpp"

namespace kolvi::cli {
namespace {

using Arguments = std::vector<const char*>;

std::variant<Invocation, UsageError> parse(const Arguments& arguments) {
  return parse_arguments(arguments);
}

const std::size_t kVersion = *version::target_named("version");
const std::size_t kSemVer = *version::target_named("semver");
const std::size_t kDotSeparated = *version::target_named("dot-separated");

struct Accepted {
  const char* name;
  Arguments arguments;
  Command command;
  std::size_t target;
  bool reverse;
  std::vector<std::string_view> operands;
};

const Accepted kAccepted[] = {
    {"check without texts", {"check"}, Command::check, kVersion, false, {}},
    {"check texts", {"check", "1.2.3", "x"}, Command::check, kVersion, false, {"1.2.3", "x"}},
    {"kind as two words",
     {"check", "--kind", "semver", "1"},
     Command::check,
     kSemVer,
     false,
     {"1"}},
    {"kind with =",
     {"parse", "--kind=dot-separated", "a"},
     Command::parse,
     kDotSeparated,
     false,
     {"a"}},
    {"options after operands",
     {"compare", "a", "b", "--kind", "semver"},
     Command::compare,
     kSemVer,
     false,
     {"a", "b"}},
    {"the last kind wins",
     {"parse", "--kind", "semver", "--kind=version", "a"},
     Command::parse,
     kVersion,
     false,
     {"a"}},
    {"sort reversed", {"sort", "--reverse", "f"}, Command::sort, kVersion, true, {"f"}},
    {"sort without files", {"sort"}, Command::sort, kVersion, false, {}},
    {"key of files",
     {"key", "--kind", "semver", "a", "-"},
     Command::key,
     kSemVer,
     false,
     {"a", "-"}},
    {"a lone dash is an operand", {"sort", "-"}, Command::sort, kVersion, false, {"-"}},
    {"-- ends the options", {"parse", "--", "--kind"}, Command::parse, kVersion, false, {"--kind"}},
    {"-- then a dash text",
     {"compare", "--", "-1", "-2"},
     Command::compare,
     kVersion,
     false,
     {"-1", "-2"}},
    {"help", {"--help"}, Command::help, kVersion, false, {}},
    {"short help", {"-h"}, Command::help, kVersion, false, {}},
    {"help wins over operands", {"parse", "a", "b", "--help"}, Command::help, kVersion, false, {}},
    {"version", {"--version"}, Command::version, kVersion, false, {}},
};

TEST(ParseArguments, Accepted) {
  for (const Accepted& c : kAccepted) {
    SCOPED_TRACE(c.name);
    const auto parsed = parse(c.arguments);
    ASSERT_TRUE(std::holds_alternative<Invocation>(parsed)) << std::get<UsageError>(parsed).message;
    const Invocation& invocation = std::get<Invocation>(parsed);
    EXPECT_EQ(invocation.command, c.command);
    EXPECT_EQ(invocation.target, c.target);
    EXPECT_EQ(invocation.reverse, c.reverse);
    EXPECT_EQ(invocation.operands, c.operands);
  }
}

TEST(ParseArguments, UsageErrors) {
  const struct {
    Arguments arguments;
    std::string_view message;
  } cases[] = {
      {{}, "missing command"},
      {{"frobnicate"}, "unknown command 'frobnicate'"},
      {{"check", "--kind"}, "option '--kind' needs a KIND"},
      {{"check", "--kind", "calver"},
       "unknown kind 'calver' (expected version, semver, dot-separated or other)"},
      {{"check", "--kind="}, "unknown kind '' (expected version, semver, dot-separated or other)"},
      {{"check", "--reverse"}, "unknown option '--reverse'"},
      {{"sort", "-x"}, "unknown option '-x'"},
      {{"parse"}, "parse takes one TEXT"},
      {{"parse", "a", "b"}, "parse takes one TEXT"},
      {{"compare", "a"}, "compare takes two TEXTs, A and B"},
      {{"compare", "a", "b", "c"}, "compare takes two TEXTs, A and B"},
      {{"--version", "x"}, "unexpected operand 'x'"},
      {{"check", "--format"}, "option '--format' needs a FORMAT"},
      {{"check", "--format", "hex"}, "unknown format 'hex' (expected text or json)"},
      {{"key", "--format=json"}, "unknown format 'json' (expected hex or base64)"},
      {{"sort", "--format", "hex"}, "unknown option '--format'"},
      {{"check", "--with-text"}, "unknown option '--with-text'"},
      {{"key", "--reverse"}, "unknown option '--reverse'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    const auto parsed = parse(c.arguments);
    ASSERT_TRUE(std::holds_alternative<UsageError>(parsed));
    EXPECT_EQ(std::get<UsageError>(parsed).message, c.message);
  }
}

// The options of check and key, each to its own field; the last --format wins.
TEST(ParseArguments, Formats) {
  const struct {
    const char* name;
    Arguments arguments;
    ReportFormat report_format;
    KeyFormat key_format;
    bool with_text;
  } cases[] = {
      {"check by default", {"check"}, ReportFormat::text, KeyFormat::hex, false},
      {"check json", {"check", "--format", "json"}, ReportFormat::json, KeyFormat::hex, false},
      {"check text again",
       {"check", "--format=json", "--format=text"},
       ReportFormat::text,
       KeyFormat::hex,
       false},
      {"key by default", {"key", "f"}, ReportFormat::text, KeyFormat::hex, false},
      {"key base64 with text",
       {"key", "--with-text", "--format", "base64", "f"},
       ReportFormat::text,
       KeyFormat::base64,
       true},
      {"key hex again",
       {"key", "--format=base64", "--format=hex"},
       ReportFormat::text,
       KeyFormat::hex,
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto parsed = parse(c.arguments);
    ASSERT_TRUE(std::holds_alternative<Invocation>(parsed)) << std::get<UsageError>(parsed).message;
    const Invocation& invocation = std::get<Invocation>(parsed);
    EXPECT_EQ(invocation.report_format, c.report_format);
    EXPECT_EQ(invocation.key_format, c.key_format);
    EXPECT_EQ(invocation.with_text, c.with_text);
  }
}

// Every --kind name of the table is in the help text.
TEST(HelpText, NamesEveryKind) {
  const std::string& help = help_text();
  EXPECT_NE(help.find("KIND is version (the default), semver, dot-separated or other.\n"),
            std::string::npos);
  for (const std::string_view name : version::kTargetNames)
    EXPECT_NE(help.find(name), std::string::npos) << name;
  EXPECT_TRUE(help.starts_with("usage: kolvi COMMAND [OPTIONS] [OPERANDS]\n"));
  EXPECT_TRUE(help.ends_with("or a file that cannot be read.\n"));
}

}  // namespace
}  // namespace kolvi::cli
