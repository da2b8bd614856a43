// The kolvi command-line tool: checks, parses, compares and sorts versions with the C++ core.

#include <unistd.h>

#include <csignal>
#include <cstddef>
#include <span>

#include "cli/program.hpp"

int main(int argc, char** argv) {
  // A closed pipe shows up as EPIPE from write(2), which the program ends on quietly.
  std::signal(SIGPIPE, SIG_IGN);
  kolvi::cli::OutputStream out(STDOUT_FILENO, "standard output");
  kolvi::cli::OutputStream err(STDERR_FILENO, "standard error");
  // execve() may pass no arguments at all, not even the program name.
  const std::span<const char* const> arguments =
      argc > 0 ? std::span<const char* const>(argv + 1, static_cast<std::size_t>(argc - 1))
               : std::span<const char* const>();
  return kolvi::cli::run_program(arguments, KOLVI_VERSION, STDIN_FILENO, out, err);
}
