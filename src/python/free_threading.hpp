// Everything that differs between the GIL build and the free-threaded build lives here.
#pragma once

#include <Python.h>

namespace kolvi::python {

// Locks one object's per-object mutex on the free-threaded build; the interpreter lock already
// serialises access on the GIL build, where the interpreter defines no critical-section type.
class CriticalSection {
 public:
  explicit CriticalSection([[maybe_unused]] PyObject* object) noexcept {
#ifdef Py_GIL_DISABLED
    PyCriticalSection_Begin(&section_, object);
#endif
  }
  ~CriticalSection() {
#ifdef Py_GIL_DISABLED
    PyCriticalSection_End(&section_);
#endif
  }
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;

 private:
#ifdef Py_GIL_DISABLED
  PyCriticalSection section_;
#endif
};

// Declares that the module needs the interpreter lock; a free-threaded interpreter then turns
// the lock on at import unless the user forced it off. Returns -1 with an exception set.
inline int declare_gil_used([[maybe_unused]] PyObject* module) noexcept {
#ifdef Py_GIL_DISABLED
  return PyUnstable_Module_SetGIL(module, Py_MOD_GIL_USED);
#else
  return 0;
#endif
}

// Detaches the calling thread from the interpreter for a scope that may block.
class Detached {
 public:
  Detached() noexcept : state_(PyEval_SaveThread()) {}
  ~Detached() { PyEval_RestoreThread(state_); }
  Detached(const Detached&) = delete;
  Detached& operator=(const Detached&) = delete;

 private:
  PyThreadState* state_;
};

}  // namespace kolvi::python
