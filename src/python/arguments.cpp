// Checking constructor argument shapes and keyword names, and matching a module function's
// arguments to its parameters, with CPython's messages.
#include "python/arguments.hpp"

#include <algorithm>
#include <new>
#include <string>

#include "base/decimal.hpp"
#include "python/convert.hpp"
#include "python/errors.hpp"
#include "python/free_threading.hpp"
#include "python/ref.hpp"

namespace kolvi::python {

namespace {

std::string full_name(const FunctionSignature& signature) {
  std::string name(signature.name);
  name.append("()");
  return name;
}

bool fail_argument_shape(PyObject* object, std::string_view parameter, std::string_view target) {
  raise_conversion_error(object, target);
  remap_argument_error(parameter);
  return false;
}

bool raise_too_many_positional(const FunctionSignature& signature, Py_ssize_t given) {
  std::string message = full_name(signature);
  message.append(" takes ");
  base::append_decimal(message, signature.parameters.size());
  message.append(" positional arguments but ");
  base::append_decimal(message, static_cast<std::size_t>(given));
  message.append(given == 1 ? " was" : " were").append(" given");
  raise(PyExc_TypeError, message);
  return false;
}

bool raise_keyword_error(const FunctionSignature& signature, std::string_view what,
                         std::string_view keyword) {
  std::string message = full_name(signature);
  message.append(what).append(" '").append(keyword).append("'");
  raise(PyExc_TypeError, message);
  return false;
}

bool raise_missing(const FunctionSignature& signature, std::span<PyObject*> out) {
  std::string names;
  std::size_t missing = 0;
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (out[i] != nullptr) continue;
    if (missing > 0) names.append(", ");
    names.append("'").append(signature.parameters[i]).append("'");
    ++missing;
  }
  std::string message = full_name(signature);
  message.append(" missing ");
  base::append_decimal(message, missing);
  message.append(" required positional ");
  message.append(missing == 1 ? "argument" : "arguments").append(": ").append(names);
  raise(PyExc_TypeError, message);
  return false;
}

}  // namespace

bool check_constructor_arguments(PyObject* args, PyObject*& kwargs) noexcept {
  try {
    if (!PyTuple_Check(args)) return fail_argument_shape(args, "args", "PyTuple");
    if (kwargs == Py_None) kwargs = nullptr;
    if (kwargs == nullptr) return true;
    if (!PyDict_Check(kwargs)) return fail_argument_shape(kwargs, "kwargs", "PyDict");
    if (PyDict_GET_SIZE(kwargs) == 0) kwargs = nullptr;
    return true;
  } catch (const std::bad_alloc&) {
    raise_out_of_memory();
    return false;
  }
}

bool check_keyword_names(PyObject* kwargs, std::span<const std::string_view> allowed,
                         std::string_view class_name) noexcept {
  try {
    const Ref keys = Ref::steal(PyDict_Keys(kwargs));
    if (!keys) return false;
    for (Py_ssize_t i = 0;; ++i) {
      Ref key;
      {
        CriticalSection section(keys.get());
        if (i >= PyList_GET_SIZE(keys.get())) break;
        key = Ref::borrow(PyList_GET_ITEM(keys.get(), i));
      }
      if (!PyUnicode_Check(key.get())) {
        raise_conversion_error(key.get(), "PyString");
        return false;
      }
      std::string_view name;
      if (!to_text_view(key.get(), name)) return false;
      if (std::find(allowed.begin(), allowed.end(), name) != allowed.end()) continue;
      std::string message = "'";
      message.append(name).append("' is an invalid keyword argument for ");
      message.append(class_name).append("()");
      raise(PyExc_ValueError, message);
      return false;
    }
    return true;
  } catch (const std::bad_alloc&) {
    raise_out_of_memory();
    return false;
  }
}

PyObject* first_keyword(PyObject* kwargs) noexcept {
  const Ref keys = Ref::steal(PyDict_Keys(kwargs));
  if (!keys) return nullptr;
  CriticalSection section(keys.get());
  if (PyList_GET_SIZE(keys.get()) == 0) {
    PyErr_SetString(PyExc_SystemError, "keyword arguments vanished during the call");
    return nullptr;
  }
  return Py_NewRef(PyList_GET_ITEM(keys.get(), 0));
}

bool match_arguments(const FunctionSignature& signature, PyObject* const* args, Py_ssize_t nargs,
                     PyObject* kwnames, std::span<PyObject*> out) noexcept {
  try {
    std::fill(out.begin(), out.end(), nullptr);
    const auto declared = static_cast<Py_ssize_t>(signature.parameters.size());
    if (nargs > declared) return raise_too_many_positional(signature, nargs);
    std::copy(args, args + nargs, out.begin());
    const Py_ssize_t keyword_count = kwnames != nullptr ? PyTuple_GET_SIZE(kwnames) : 0;
    for (Py_ssize_t k = 0; k < keyword_count; ++k) {
      std::string_view keyword;
      if (!to_text_view(PyTuple_GET_ITEM(kwnames, k), keyword)) return false;
      const auto found =
          std::find(signature.parameters.begin(), signature.parameters.end(), keyword);
      if (found == signature.parameters.end()) {
        return raise_keyword_error(signature, " got an unexpected keyword argument", keyword);
      }
      PyObject*& slot = out[static_cast<std::size_t>(found - signature.parameters.begin())];
      if (slot != nullptr) {
        return raise_keyword_error(signature, " got multiple values for argument", keyword);
      }
      slot = args[nargs + k];
    }
    if (std::find(out.begin(), out.end(), nullptr) != out.end()) {
      return raise_missing(signature, out);
    }
    return true;
  } catch (const std::bad_alloc&) {
    raise_out_of_memory();
    return false;
  }
}

}  // namespace kolvi::python
