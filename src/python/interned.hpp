// Constant names as Python str objects, made once so hot paths never build them per call.
#pragma once

#include <Python.h>

#include "python/once_cell.hpp"

namespace kolvi::python {

// A str made on first use and kept for the life of the process.
class InternedName {
 public:
  explicit constexpr InternedName(const char* text) noexcept : text_(text) {}

  // Borrowed; null with an exception set if it cannot be made.
  PyObject* get() noexcept {
    return cell_.get_or_create([this] { return PyUnicode_InternFromString(text_); });
  }

 private:
  const char* text_;
  OnceCell<PyObject> cell_;
};

}  // namespace kolvi::python
