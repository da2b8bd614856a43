// The Version class: one version of any kind, parsed or wrapped from a kind instance.

#include <optional>

#include "python/kind_constructor.hpp"

namespace kolvi::python {

namespace {

using version::Version;

bool raise_unexpected_keyword(PyObject* kwargs) {
  const Ref key = Ref::steal(first_keyword(kwargs));
  if (!key) return false;
  std::string_view name;
  if (!to_text_view(key.get(), name)) return false;
  std::string message = "Version.__new__() got an unexpected keyword argument '";
  message.append(name).append("'");
  raise(PyExc_TypeError, message);
  return false;
}

// Wraps a copy of a kind instance's value, if shared access can be had.
template <class Kind>
std::optional<Version> wrap_kind(PyObject* argument) {
  if (!PyObject_TypeCheck(argument, type_of<Kind>())) return std::nullopt;
  Instance<Kind>* source = as_instance<Kind>(argument);
  SharedAccess access(source->access);
  if (!access.held()) return std::nullopt;
  return Version(source->value);
}

std::optional<Version> copy_version(PyObject* argument) {
  if (!PyObject_TypeCheck(argument, type_of<Version>())) return std::nullopt;
  Instance<Version>* source = as_instance<Version>(argument);
  SharedAccess access(source->access);
  if (!access.held()) return std::nullopt;
  return source->value;
}

// Each source is tried in turn; an instance whose access is refused counts as a foreign type.
std::optional<Version> version_from_argument(PyObject* argument) {
  if (PyUnicode_Check(argument)) {
    std::string_view text;
    if (!to_text_view(argument, text)) return std::nullopt;
    version::ParseResult<Version> result = version::parse_version(text);
    if (!result.ok()) {
      raise_parse_failure(result, text, version::version_source_name);
      return std::nullopt;
    }
    return std::move(result.value());
  }
  if (auto wrapped = wrap_kind<version::SemVer>(argument)) return wrapped;
  if (auto wrapped = wrap_kind<version::DotSeparated>(argument)) return wrapped;
  if (auto wrapped = wrap_kind<version::Other>(argument)) return wrapped;
  if (auto copied = copy_version(argument)) return copied;
  raise_cannot_construct("Version", argument);
  return std::nullopt;
}

PyObject* version_new(PyTypeObject* subtype, PyObject* args, PyObject* kwargs) noexcept {
  try {
    if (!check_constructor_arguments(args, kwargs)) return nullptr;
    if (kwargs != nullptr) {
      raise_unexpected_keyword(kwargs);
      return nullptr;
    }
    const Py_ssize_t count = PyTuple_GET_SIZE(args);
    if (count != 1) {
      raise_positional_count("Version", count);
      return nullptr;
    }
    std::optional<Version> value = version_from_argument(PyTuple_GET_ITEM(args, 0));
    if (!value) return nullptr;
    return new_instance(subtype, std::move(*value));
  } catch (const std::bad_alloc&) {
    return raise_out_of_memory();
  }
}

PyObject* version_fast(PyObject* type, PyObject* const* args, std::size_t nargsf,
                       PyObject* kwnames) noexcept {
  auto* subtype = reinterpret_cast<PyTypeObject*>(type);
  if (!is_single_positional(nargsf, kwnames)) {
    return call_new_with_packed_arguments(subtype, args, PyVectorcall_NARGS(nargsf), kwnames);
  }
  try {
    std::optional<Version> value = version_from_argument(args[0]);
    if (!value) return nullptr;
    return new_instance(subtype, std::move(*value));
  } catch (const std::bad_alloc&) {
    return raise_out_of_memory();
  }
}

PyType_Slot slots[] = {
    {Py_tp_doc, const_cast<char*>("Version(*args)\n--\n\nPython wrapper around a [`Version`]")},
    {Py_tp_new, reinterpret_cast<void*>(version_new)},
    {Py_tp_repr, reinterpret_cast<void*>(repr_instance<Version>)},
    {Py_tp_str, reinterpret_cast<void*>(str_instance<Version>)},
    {Py_tp_richcompare, reinterpret_cast<void*>(compare_instances<Version>)},
    {Py_tp_dealloc, reinterpret_cast<void*>(dealloc_instance<Version>)},
    {0, nullptr},
};

PyType_Spec spec = {"builtins.Version", sizeof(Instance<Version>), 0, Py_TPFLAGS_DEFAULT, slots};

}  // namespace

PyType_Spec& version_type_spec() noexcept {
  return spec;
}
void finish_version_type(PyTypeObject* type) noexcept {
  type->tp_vectorcall = version_fast;
}

}  // namespace kolvi::python
