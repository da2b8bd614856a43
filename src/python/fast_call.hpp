// The vector-call helpers of the constructor entries. The common call, one positional argument
// and no keywords, skips building the argument tuple; every other shape is packed into the tuple
// and dict that tp_new takes, so both entries share one set of rules and messages.
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
