// An owned strong reference to a Python object.
#pragma once

#include <Python.h>

#include <utility>

namespace kolvi::python {

// Owns one strong reference. The named constructors say whether a raw pointer's reference is
// taken over (steal) or added (borrow), so ownership never changes hands by accident.
class Ref {
 public:
  Ref() noexcept = default;
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  Ref(Ref&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  Ref& operator=(Ref&& other) noexcept {
    Ref moved(std::move(other));
    std::swap(object_, moved.object_);
    return *this;
  }
  ~Ref() { Py_XDECREF(object_); }

  // Takes over a new reference, typically the result of an API call (null allowed).
  static Ref steal(PyObject* object) noexcept { return Ref(object); }
  // Adds a reference to a borrowed pointer (null allowed).
  static Ref borrow(PyObject* object) noexcept {
    Py_XINCREF(object);
    return Ref(object);
  }

  PyObject* get() const noexcept { return object_; }
  explicit operator bool() const noexcept { return object_ != nullptr; }

  // Hands the reference to the caller, typically as a handler's return value.
  PyObject* release() noexcept { return std::exchange(object_, nullptr); }

 private:
  explicit Ref(PyObject* object) noexcept : object_(object) {}

  PyObject* object_ = nullptr;
};

}  // namespace kolvi::python
