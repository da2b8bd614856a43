#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include "python/init_tracing.hpp"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>

#include "logging/dispatch.hpp"

namespace kolvi::python {

PyObject* init_tracing(PyObject* /*module*/, PyObject* /*unused*/) {
  bool installed = false;
  try {
    const bool colour = logging::colour_from_no_color(std::getenv("NO_COLOR"));
    installed = logging::install_global_subscriber(colour);
  } catch (const std::bad_alloc&) {
    std::fputs("kolvi: out of memory while installing the log subscriber\n", stderr);
    std::abort();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "kolvi: installing the log subscriber failed: %s\n", error.what());
    std::abort();
  } catch (...) {
    std::fputs("kolvi: installing the log subscriber failed\n", stderr);
    std::abort();
  }
  if (!installed) {
    PyErr_SetString(PyExc_RuntimeError, "a global default trace dispatcher has already been set");
    return nullptr;
  }
  Py_RETURN_NONE;
}

}  // namespace kolvi::python
