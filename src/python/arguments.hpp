// Argument shapes and keyword names of the constructors, and the parameters of module functions.
#pragma once

#include <Python.h>

#include <span>
#include <string_view>

namespace kolvi::python {

// Checks what tp_new received: the positional object must be a tuple and the keyword object
// (if any) a dict. A keyword dict that is None or empty is cleared to null, so callers see
// `f(**{})` exactly as `f()`. Returns false with a TypeError set.
bool check_constructor_arguments(PyObject* args, PyObject*& kwargs) noexcept;

// Walks the keyword names in dict order; the first one outside `allowed` raises ValueError
// "'<key>' is an invalid keyword argument for <class_name>()". Returns false on any error.
bool check_keyword_names(PyObject* kwargs, std::span<const std::string_view> allowed,
                         std::string_view class_name) noexcept;

// The first key of a non-empty keyword dict, as a new reference (null with an error set).
PyObject* first_keyword(PyObject* kwargs) noexcept;

// Positional-or-keyword, all required parameters of a module function.
struct FunctionSignature {
  std::string_view name;  // without "()"
  std::span<const std::string_view> parameters;
};

// Matches a fast call's arguments to the signature's parameters, filling `out` with borrowed
// references. Returns false with the TypeError of the first mismatch set.
bool match_arguments(const FunctionSignature& signature, PyObject* const* args, Py_ssize_t nargs,
                     PyObject* kwnames, std::span<PyObject*> out) noexcept;

}  // namespace kolvi::python
