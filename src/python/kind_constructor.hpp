#pragma once

// The positional constructor form shared by SemVer, DotSeparated and Other.

#include <Python.h>

#include <new>
#include <string>
#include <string_view>

#include "diagnostics/report.hpp"
#include "python/arguments.hpp"
#include "python/classes.hpp"
#include "python/errors.hpp"
#include "python/fast_call.hpp"
#include "python/instance.hpp"
#include "python/interned.hpp"
#include "python/ref.hpp"
#include "version/version.hpp"

namespace kolvi::python {

// Raises the RuntimeError that carries a failed parse's report.
template <class Value>
bool raise_parse_failure(const version::ParseResult<Value>& result, std::string_view text,
                         std::string_view source_name) {
  raise(PyExc_RuntimeError, diagnostics::report_message(result.errors(), text, source_name));
  return false;
}

// Parses `text` with `parse` into `out`, or raises the report.
template <class Value, class Parse>
bool parse_into(std::string_view text, Parse parse, std::string_view source_name, Value& out) {
  version::ParseResult<Value> result = parse(text);
  if (!result.ok()) return raise_parse_failure(result, text, source_name);
  out = std::move(result.value());
  return true;
}

// "<Class>() requires arguments" / "<Class>() takes 1 positional argument but N were given".
bool raise_positional_count(std::string_view class_name, Py_ssize_t given);

// "Cannot construct <Class> from type '<type name>'".
bool raise_cannot_construct(std::string_view class_name, PyObject* argument);

// Copies the held value out of a Version argument of the kind class `Value`. Returns false
// with an error set; sets `not_applicable` when shared access could not be had.
template <class Value>
bool copy_out_of_version(PyObject* argument, Value& out, bool& not_applicable) {
  Instance<version::Version>* wrapper = as_instance<version::Version>(argument);
  SharedAccess access(wrapper->access);
  if (!access.held()) {
    not_applicable = true;
    return false;
  }
  if (const Value* held = wrapper->value.template get_if<Value>()) {
    out = *held;
    return true;
  }
  std::string message = "Expected ";
  message.append(class_name(class_id_of<Value>())).append("; found ");
  version::append_debug(message, wrapper->value);
  raise(PyExc_TypeError, message);
  return false;
}

// Builds a kind value from the one positional argument: a str is parsed, an instance of the
// same class or a Version holding that kind is copied under shared access.
template <class Value, class Parse>
bool kind_from_argument(PyObject* argument, Parse parse, std::string_view source_name, Value& out) {
  if (PyUnicode_Check(argument)) {
    std::string_view text;
    if (!to_text_view(argument, text)) return false;
    return parse_into(text, parse, source_name, out);
  }
  if (PyObject_TypeCheck(argument, type_of<Value>())) {
    Instance<Value>* source = as_instance<Value>(argument);
    SharedAccess access(source->access);
    if (access.held()) {
      out = source->value;
      return true;
    }
  } else if (PyObject_TypeCheck(argument, type_of<version::Version>())) {
    bool not_applicable = false;
    if (copy_out_of_version(argument, out, not_applicable)) return true;
    if (!not_applicable) return false;
  }
  return raise_cannot_construct(class_name(class_id_of<Value>()), argument);
}

// The whole positional form: count check, then kind_from_argument.
template <class Value, class Parse>
bool kind_from_positional(PyObject* args, Parse parse, std::string_view source_name, Value& out) {
  const Py_ssize_t count = PyTuple_GET_SIZE(args);
  if (count != 1) return raise_positional_count(class_name(class_id_of<Value>()), count);
  return kind_from_argument(PyTuple_GET_ITEM(args, 0), parse, source_name, out);
}

// Everything a tp_new does around building the value: argument shape checks, memory failures,
// then allocation. `build(args, kwargs, value)` fills the value or raises.
template <class Value, class Build>
PyObject* construct(PyTypeObject* subtype, PyObject* args, PyObject* kwargs, Build build) noexcept {
  try {
    if (!check_constructor_arguments(args, kwargs)) return nullptr;
    Value value{};
    if (!build(args, kwargs, value)) return nullptr;
    return new_instance(subtype, std::move(value));
  } catch (const std::bad_alloc&) {
    return raise_out_of_memory();
  }
}

// Looks a keyword up (PyDict_GetItemRef); `found` stays empty when absent.
inline bool lookup_keyword(PyObject* kwargs, InternedName& key, Ref& found) noexcept {
  PyObject* name = key.get();
  if (name == nullptr) return false;
  PyObject* value = nullptr;
  if (PyDict_GetItemRef(kwargs, name, &value) < 0) return false;
  found = Ref::steal(value);
  return true;
}

// The single keyword of DotSeparated and Other: absent raises
// ValueError "invalid input to argument '<name>'".
inline bool require_keyword(PyObject* kwargs, InternedName& key, Ref& found) {
  if (!lookup_keyword(kwargs, key, found)) return false;
  if (found) return true;
  std::string message = "invalid input to argument '";
  message.append(key.text()).append("'");
  raise(PyExc_ValueError, message);
  return false;
}

// The vector-call entry of a kind class: `from_argument` builds the value for the common
// single-argument call; other shapes go through tp_new.
template <class Value, bool (*FromArgument)(PyObject*, Value&)>
PyObject* construct_fast(PyObject* type, PyObject* const* args, std::size_t nargsf,
                         PyObject* kwnames) noexcept {
  auto* subtype = reinterpret_cast<PyTypeObject*>(type);
  if (!is_single_positional(nargsf, kwnames)) {
    return call_new_with_packed_arguments(subtype, args, PyVectorcall_NARGS(nargsf), kwnames);
  }
  try {
    Value value{};
    if (!FromArgument(args[0], value)) return nullptr;
    return new_instance(subtype, std::move(value));
  } catch (const std::bad_alloc&) {
    return raise_out_of_memory();
  }
}

inline constexpr const char* kArgsAndKwargs = "Constructor expects *args or **kwargs, but not both";

}  // namespace kolvi::python
