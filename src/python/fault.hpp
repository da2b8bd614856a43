// Internal faults: a broken invariant ends the process with a report on standard error.
#pragma once

#include <source_location>
#include <string_view>

namespace kolvi::python {

// A broken internal invariant: writes a fault report (thread name, location, message) to
// standard error and aborts. Nothing is released and no Python exception is raised.
[[noreturn]] void internal_fault(
    std::string_view message,
    std::source_location where = std::source_location::current()) noexcept;

}  // namespace kolvi::python
