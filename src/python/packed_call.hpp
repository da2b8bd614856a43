// The slow path of the constructors' vector-call entry: every call but the common one (one
// positional argument, no keywords, which skips building the argument tuple) is packed into the
// tuple and dict that tp_new takes, so both entries share one set of rules and messages.
#pragma once

#include <Python.h>

namespace kolvi::python {

PyObject* call_new_with_packed_arguments(PyTypeObject* type, PyObject* const* args,
                                         Py_ssize_t nargs, PyObject* kwnames) noexcept;

// True when the call is the single-positional form.
inline bool is_single_positional(std::size_t nargsf, PyObject* kwnames) noexcept {
  return PyVectorcall_NARGS(nargsf) == 1 && (kwnames == nullptr || PyTuple_GET_SIZE(kwnames) == 0);
}

}  // namespace kolvi::python
