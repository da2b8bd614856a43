#pragma once

#include <Python.h>

#include <atomic>

namespace kolvi::python {

// A str made once on first use and kept for the life of the process, so hot paths never build
// their constant names per call.
class InternedName {
 public:
  explicit constexpr InternedName(const char* text) noexcept : text_(text) {}

  const char* text() const noexcept { return text_; }

  // Borrowed; null with an exception set if it cannot be made.
  PyObject* get() noexcept {
    if (PyObject* made = cell_.load(std::memory_order_acquire)) return made;
    PyObject* created = PyUnicode_InternFromString(text_);
    if (created == nullptr) return nullptr;
    PyObject* expected = nullptr;  // lock-free publication: nobody waits, nobody deadlocks
    if (!cell_.compare_exchange_strong(expected, created, std::memory_order_acq_rel)) {
      Py_DECREF(created);
      return expected;
    }
    return created;
  }

 private:
  const char* text_;
  std::atomic<PyObject*> cell_{nullptr};
};

}  // namespace kolvi::python
