// The module's only exported function, PyInit_kolvi, and the module body it runs once.

#include <Python.h>

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <new>

#include "python/api_description.hpp"
#include "python/classes.hpp"
#include "python/errors.hpp"
#include "python/fault.hpp"
#include "python/free_threading.hpp"
#include "python/init_tracing.hpp"
#include "python/interned.hpp"
#include "python/ref.hpp"
#include "python/test_function.hpp"

namespace kolvi::python {

namespace {

PyModuleDef module_definition = {
    PyModuleDef_HEAD_INIT,
    api::c_string(api::kModuleName),
    "A Python module implemented in C++ that provides the version types of a package tool.",
    0,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

// The docstring of a module function: its text signature and nothing after the separator.
template <const api::Function& function>
inline constexpr auto kFunctionDoc = api::join_text([] {
  return std::array{function.name, std::string_view("("), function.arguments.ordinary.name,
                    std::string_view(")\n--\n\n")};
});

PyMethodDef test_function_definition = {
    api::c_string(api::kTestFunction.name),
    reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(test_function)),
    METH_FASTCALL | METH_KEYWORDS,
    kFunctionDoc<api::kTestFunction>.c_str(),
};

PyMethodDef init_tracing_definition = {
    api::c_string(api::kInitTracing.name),
    init_tracing,
    METH_NOARGS,
    kFunctionDoc<api::kInitTracing>.c_str(),
};

// The interpreter that imported the module first; the module holds process-wide state, so it
// can never be shared with a second interpreter.
std::atomic<std::int64_t> owning_interpreter{-1};

std::atomic<PyObject*> module_cache{nullptr};
std::mutex module_build_mutex;

InternedName all_attribute("__all__");
InternedName name_attribute("__name__");

bool claim_interpreter() {
  const std::int64_t current = PyInterpreterState_GetID(PyInterpreterState_Get());
  if (current == -1) {
    PyErr_SetRaisedException(take_pending().release());
    return false;
  }
  std::int64_t expected = -1;
  if (owning_interpreter.compare_exchange_strong(expected, current) || expected == current) {
    return true;
  }
  raise(PyExc_ImportError,
        "kolvi does not support sub-interpreters: it is already loaded in another interpreter");
  return false;
}

// Appends `name` to the module's __all__ (made on first use), then sets the attribute.
bool add_to_module(PyObject* module, PyObject* name, PyObject* value) {
  PyObject* all_name = all_attribute.get();
  if (all_name == nullptr) return false;
  PyObject* found = nullptr;
  const int lookup = PyObject_GetOptionalAttr(module, all_name, &found);
  if (lookup < 0) return false;
  Ref all = Ref::steal(found);
  if (lookup == 0) {
    all = Ref::steal(PyList_New(0));
    if (!all || PyObject_SetAttr(module, all_name, all.get()) < 0) return false;
  } else if (!PyList_Check(all.get())) {
    raise_conversion_error(all.get(), "PyList");
    return false;
  }
  if (PyList_Append(all.get(), name) < 0) internal_fault("could not append __name__ to __all__");
  return PyObject_SetAttr(module, name, value) == 0;
}

bool add_module_to_module(PyObject* parent, PyObject* child) {
  const Ref name = Ref::steal(PyModule_GetNameObject(child));
  return name && add_to_module(parent, name.get(), child);
}

// Built-in function bound to the module, whose name object becomes its __module__.
bool add_function(PyObject* module, PyMethodDef* definition) {
  const Ref module_name = Ref::steal(PyModule_GetNameObject(module));
  if (!module_name) return false;
  const Ref function = Ref::steal(PyCMethod_New(definition, module, module_name.get(), nullptr));
  if (!function) return false;
  PyObject* name_key = name_attribute.get();
  if (name_key == nullptr) return false;
  const Ref name = Ref::steal(PyObject_GetAttr(function.get(), name_key));
  if (!name) return false;
  if (!PyUnicode_Check(name.get())) {
    raise_conversion_error(name.get(), "PyString");
    return false;
  }
  return add_to_module(module, name.get(), function.get());
}

bool add_types(PyObject* version_module) {
  for (std::size_t class_index : kModuleOrder) {
    PyTypeObject* type = make_type(class_index);
    if (type == nullptr) return false;
    const std::string_view text = class_name(class_index);
    const Ref name =
        Ref::steal(PyUnicode_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size())));
    if (!name || !add_to_module(version_module, name.get(), reinterpret_cast<PyObject*>(type))) {
      return false;
    }
  }
  return true;
}

bool run_module_body(PyObject* top) {
  const Ref package_name = Ref::steal(PyUnicode_FromString("package"));
  const Ref package = Ref::steal(package_name ? PyModule_NewObject(package_name.get()) : nullptr);
  if (!package) return false;
  const Ref version_name = Ref::steal(PyUnicode_FromString("version"));
  const Ref version = Ref::steal(version_name ? PyModule_NewObject(version_name.get()) : nullptr);
  if (!version) return false;
  return add_types(version.get()) && add_module_to_module(package.get(), version.get())
         && add_module_to_module(top, package.get()) && add_function(top, &test_function_definition)
         && add_function(top, &init_tracing_definition);
}

Ref build_module() {
  Ref top = Ref::steal(PyModule_Create2(&module_definition, PYTHON_API_VERSION));
  if (!top) return top;
  if (declare_gil_used(top.get()) < 0 || !run_module_body(top.get())) return Ref();
  return top;
}

// The once-only cell around the module. A thread that finds the build in progress waits for
// it detached from the interpreter, so the building thread can always re-attach.
PyObject* cached_or_built_module() {
  if (PyObject* cached = module_cache.load(std::memory_order_acquire)) return Py_NewRef(cached);
  std::unique_lock lock(module_build_mutex, std::try_to_lock);
  if (!lock.owns_lock()) {
    Detached detached;
    lock.lock();
  }
  if (PyObject* cached = module_cache.load(std::memory_order_acquire)) return Py_NewRef(cached);
  Ref built = build_module();
  if (!built) return nullptr;
  module_cache.store(built.get(), std::memory_order_release);  // the cache keeps this reference
  return Py_NewRef(built.release());
}

}  // namespace

}  // namespace kolvi::python

PyMODINIT_FUNC PyInit_kolvi(void) {
  using namespace kolvi::python;
  try {
    if (!claim_interpreter()) return nullptr;
    return cached_or_built_module();
  } catch (const std::bad_alloc&) {
    return raise_out_of_memory();
  } catch (const std::exception& error) {
    internal_fault(error.what());
  }
}
