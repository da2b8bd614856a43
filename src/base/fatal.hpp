// The process-level fault report: what a violated internal invariant writes before aborting.
#pragma once

#include <source_location>
#include <string_view>

namespace kolvi::base {

// Ends the process on a violated internal invariant: writes a fault report (thread name, source
// location, message) to standard error and aborts. Nothing is unwound or released.
[[noreturn]] void fatal(std::string_view message,
                        std::source_location where = std::source_location::current());

}  // namespace kolvi::base
