// Internal faults, reported with the core's fault report.
#include "python/fault.hpp"

#include "base/fatal.hpp"

namespace kolvi::python {

// One fault report layout for the whole module: the core's.
void internal_fault(std::string_view message, std::source_location where) noexcept {
  base::fatal(message, where);
}

}  // namespace kolvi::python
