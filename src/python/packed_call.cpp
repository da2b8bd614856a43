// Packing a vector call into the tuple and dict that tp_new takes.
#include "python/packed_call.hpp"

#include "python/ref.hpp"

namespace kolvi::python {

PyObject* call_new_with_packed_arguments(PyTypeObject* type, PyObject* const* args,
                                         Py_ssize_t nargs, PyObject* kwnames) noexcept {
  const Ref positional = Ref::steal(PyTuple_New(nargs));
  if (!positional) return nullptr;
  for (Py_ssize_t i = 0; i < nargs; ++i) {
    PyTuple_SET_ITEM(positional.get(), i, Py_NewRef(args[i]));
  }
  Ref keywords;
  const Py_ssize_t keyword_count = kwnames != nullptr ? PyTuple_GET_SIZE(kwnames) : 0;
  if (keyword_count > 0) {
    keywords = Ref::steal(PyDict_New());
    if (!keywords) return nullptr;
    for (Py_ssize_t k = 0; k < keyword_count; ++k) {
      if (PyDict_SetItem(keywords.get(), PyTuple_GET_ITEM(kwnames, k), args[nargs + k]) < 0) {
        return nullptr;
      }
    }
  }
  return type->tp_new(type, positional.get(), keywords.get());
}

}  // namespace kolvi::python
