// test_function(version): prints a Version's display form on standard output.
#include "python/test_function.hpp"

#include <array>
#include <cstring>
#include <new>
#include <string>

#include "logging/stdout_stream.hpp"
#include "python/api_description.hpp"
#include "python/arguments.hpp"
#include "python/errors.hpp"
#include "python/free_threading.hpp"
#include "python/instance.hpp"

namespace kolvi::python {

namespace {

constexpr std::array kParameters = {api::kTestFunction.arguments.ordinary.name};
constexpr FunctionSignature kSignature{api::kTestFunction.name, kParameters};

// A closed descriptor is already swallowed by the stream; anything else reaches the caller.
PyObject* raise_write_failure(int error) {
  std::string message = "failed printing to stdout: ";
  message.append(std::strerror(error));
  const Ref arguments = Ref::steal(
      Py_BuildValue("(is#)", error, message.data(), static_cast<Py_ssize_t>(message.size())));
  if (arguments) PyErr_SetObject(PyExc_OSError, arguments.get());
  return nullptr;
}

}  // namespace

PyObject* test_function(PyObject* /*module*/, PyObject* const* args, Py_ssize_t nargs,
                        PyObject* kwnames) noexcept {
  try {
    std::array<PyObject*, 1> matched{};
    if (!match_arguments(kSignature, args, nargs, kwnames, matched)) return nullptr;
    PyObject* argument = matched[0];
    if (!PyObject_TypeCheck(argument, type_of<version::Version>())) {
      raise_conversion_error(argument, class_name<version::Version>());
      remap_argument_error(kParameters[0]);
      return nullptr;
    }
    std::string line = "Got version: ";
    {
      Instance<version::Version>* instance = as_instance<version::Version>(argument);
      SharedAccess access(instance->access);
      if (!access.held()) return raise(PyExc_RuntimeError, kAlreadyMutablyBorrowed);
      version::append_display(line, instance->value);
    }
    line.push_back('\n');  // the whole line goes out in one write
    int error = 0;
    {
      Detached detached;  // a blocked pipe must not stall every other Python thread
      error = logging::write_stdout(line);
    }
    if (error != 0) return raise_write_failure(error);
    Py_RETURN_NONE;
  } catch (const std::bad_alloc&) {
    return raise_out_of_memory();
  }
}

}  // namespace kolvi::python
