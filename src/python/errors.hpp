// Raising Python exceptions with the module's messages, and taking them back from the interpreter.
#pragma once

#include <Python.h>

#include <string>
#include <string_view>

#include "python/ref.hpp"

namespace kolvi::python {

// Sets `type` with a UTF-8 message and returns null, so handlers can `return raise(...)`.
PyObject* raise(PyObject* type, std::string_view message) noexcept;

// "'<type qualname>' object cannot be converted to '<target>'".
std::string conversion_message(PyObject* object, std::string_view target);
PyObject* raise_conversion_error(PyObject* object, std::string_view target) noexcept;

// Takes the pending exception out of the interpreter. None pending becomes a SystemError; a
// PanicException is an internal fault and never returns.
Ref take_pending() noexcept;

// After a failed conversion of the value for `parameter`: an exact TypeError is replaced by
// "argument '<parameter>': <its str>" keeping its cause; anything else stays pending as is.
void remap_argument_error(std::string_view parameter) noexcept;

// The runtime's BaseException subclass, made on first use. It is never raised by the module.
PyObject* panic_exception_type() noexcept;

// Where a handler meets std::bad_alloc: raises MemoryError and returns null.
PyObject* raise_out_of_memory() noexcept;

}  // namespace kolvi::python
