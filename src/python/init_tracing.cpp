// init_tracing(): installs the process-wide log subscriber.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstdlib>
#include <exception>
#include <new>

#include "logging/dispatch.hpp"
#include "python/fault.hpp"
#include "python/init_tracing.hpp"
#include "text/terminal_colour.hpp"

namespace kolvi::python {
namespace {

// Only allocation can fail here. Unlike the class handlers, which raise MemoryError, running out
// of memory while the process-wide subscriber is built and registered ends the process: other
// threads may already see the registry, and there is no earlier state to go back to.
bool install_subscriber_from_environment() noexcept {
  try {
    return logging::install_global_subscriber(text::colour_from_no_color(std::getenv("NO_COLOR")));
  } catch (const std::bad_alloc&) {
    internal_fault("memory allocation failed while installing the log subscriber");
  } catch (const std::exception& error) {
    internal_fault(error.what());
  } catch (...) {
    internal_fault("unknown exception while installing the log subscriber");
  }
}

}  // namespace

PyObject* init_tracing(PyObject* /*module*/, PyObject* /*unused*/) {
  if (!install_subscriber_from_environment()) {
    PyErr_SetString(PyExc_RuntimeError, "a global default trace dispatcher has already been set");
    return nullptr;
  }
  Py_RETURN_NONE;
}

}  // namespace kolvi::python
