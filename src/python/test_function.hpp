// test_function(version): prints a Version's display form on standard output.
#pragma once

#include <Python.h>

namespace kolvi::python {

// METH_FASTCALL | METH_KEYWORDS handler of `test_function(version)`: prints
// "Got version: <display form>" on file descriptor 1.
PyObject* test_function(PyObject* module, PyObject* const* args, Py_ssize_t nargs,
                        PyObject* kwnames) noexcept;

}  // namespace kolvi::python
