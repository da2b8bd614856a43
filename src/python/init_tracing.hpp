// init_tracing(): installs the process-wide log subscriber.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

namespace kolvi::python {

// METH_NOARGS handler of `init_tracing()`: installs the process-wide log subscriber once.
// Returns None, or raises RuntimeError when a subscriber is already installed.
PyObject* init_tracing(PyObject* module, PyObject* unused);

}  // namespace kolvi::python
