// The whole program apart from main(): arguments in, exit status out.
#pragma once

#include <span>
#include <string_view>

#include "cli/output.hpp"

namespace kolvi::cli {

// Runs the command the arguments (without the program name) ask for. `version` is what
// --version prints after "kolvi ". Write failures end the run: a reader that went away early
// quietly (kOutputClosed), any other failure with one message (kUsageOrReadError).
int run_program(std::span<const char* const> arguments, std::string_view version, int input_fd,
                OutputStream& out, OutputStream& err);

}  // namespace kolvi::cli
