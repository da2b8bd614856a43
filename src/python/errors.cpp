// Raising Python exceptions with the module's messages, and taking them back from the interpreter.
#include "python/errors.hpp"

#include <new>

#include "python/fault.hpp"
#include "python/once_cell.hpp"

namespace kolvi::python {

namespace {

constexpr const char* kPanicName = "kolvi.PanicException";
constexpr const char* kPanicDoc =
    "The exception the runtime raises for an internal fault.\n\n"
    "Derives from BaseException so that `except Exception` does not swallow it.";

OnceCell<PyObject> panic_type_cell;

// Any failure to fetch the name must not hide the error being reported.
std::string type_qualname(PyObject* object) {
  Ref name = Ref::steal(PyType_GetQualName(Py_TYPE(object)));
  Py_ssize_t size = 0;
  const char* utf8 = name ? PyUnicode_AsUTF8AndSize(name.get(), &size) : nullptr;
  if (utf8 == nullptr) {
    PyErr_Clear();
    return "<failed to extract type name>";
  }
  return std::string(utf8, static_cast<std::size_t>(size));
}

std::string str_of_exception(PyObject* exception) {
  Ref text = Ref::steal(PyObject_Str(exception));
  Py_ssize_t size = 0;
  const char* utf8 = text ? PyUnicode_AsUTF8AndSize(text.get(), &size) : nullptr;
  if (utf8 == nullptr) {
    PyErr_Clear();
    return "<exception str() failed>";
  }
  return std::string(utf8, static_cast<std::size_t>(size));
}

}  // namespace

PyObject* raise(PyObject* type, std::string_view message) noexcept {
  Ref text = Ref::steal(
      PyUnicode_FromStringAndSize(message.data(), static_cast<Py_ssize_t>(message.size())));
  if (text) PyErr_SetObject(type, text.get());
  return nullptr;
}

std::string conversion_message(PyObject* object, std::string_view target) {
  std::string message = "'";
  message.append(type_qualname(object)).append("' object cannot be converted to '");
  message.append(target).append("'");
  return message;
}

PyObject* raise_conversion_error(PyObject* object, std::string_view target) noexcept {
  try {
    return raise(PyExc_TypeError, conversion_message(object, target));
  } catch (const std::bad_alloc&) {
    return raise_out_of_memory();
  }
}

PyObject* panic_exception_type() noexcept {
  PyObject* type = panic_type_cell.get_or_create([] {
    return PyErr_NewExceptionWithDoc(kPanicName, kPanicDoc, PyExc_BaseException, nullptr);
  });
  if (type == nullptr) internal_fault("failed to create the PanicException type");
  return type;
}

Ref take_pending() noexcept {
  Ref exception = Ref::steal(PyErr_GetRaisedException());
  if (!exception) {
    PyErr_SetString(PyExc_SystemError, "attempted to fetch exception but none was set");
    return Ref::steal(PyErr_GetRaisedException());
  }
  if (Py_IS_TYPE(exception.get(), reinterpret_cast<PyTypeObject*>(panic_exception_type()))) {
    internal_fault("a PanicException reached the module: " + str_of_exception(exception.get()));
  }
  return exception;
}

void remap_argument_error(std::string_view parameter) noexcept {
  Ref original = take_pending();
  if (!Py_IS_TYPE(original.get(), reinterpret_cast<PyTypeObject*>(PyExc_TypeError))) {
    PyErr_SetRaisedException(original.release());
    return;
  }
  try {
    std::string message = "argument '";
    message.append(parameter).append("': ").append(str_of_exception(original.get()));
    Ref text = Ref::steal(
        PyUnicode_FromStringAndSize(message.data(), static_cast<Py_ssize_t>(message.size())));
    if (!text) return;
    Ref remapped = Ref::steal(PyObject_CallOneArg(PyExc_TypeError, text.get()));
    if (!remapped) return;
    PyException_SetCause(remapped.get(), PyException_GetCause(original.get()));
    PyErr_SetRaisedException(remapped.release());
  } catch (const std::bad_alloc&) {
    raise_out_of_memory();
  }
}

PyObject* raise_out_of_memory() noexcept {
  return PyErr_NoMemory();
}

}  // namespace kolvi::python
