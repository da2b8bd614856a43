// The constructors of the described classes: the tp_new and vector-call entries, and how each
// builds its value from a version string, another instance, or the keywords of its fields.
#pragma once

#include <Python.h>

#include <cstddef>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <variant>

#include "python/api_description.hpp"
#include "python/arguments.hpp"
#include "python/classes.hpp"
#include "python/errors.hpp"
#include "python/instance.hpp"
#include "python/interned.hpp"
#include "python/packed_call.hpp"
#include "python/parse_failure.hpp"
#include "python/ref.hpp"
#include "version/version.hpp"

namespace kolvi::python {

// "<Class>() requires arguments" / "<Class>() takes 1 positional argument but N were given".
void raise_positional_count(std::string_view class_name, Py_ssize_t given);

// "Cannot construct <Class> from type '<type name>'".
void raise_cannot_construct(std::string_view class_name, PyObject* argument);

// "<Class>.__new__() got an unexpected keyword argument '<first key>'".
void raise_unexpected_keyword(std::string_view class_name, PyObject* kwargs);

// A field's keyword is not given: raises by `when_absent`; false when that is an error.
bool accept_absent_keyword(api::WhenAbsent when_absent, std::string_view name);

inline constexpr const char* kArgsAndKwargs = "Constructor expects *args or **kwargs, but not both";

// Parses a version string with the class's own parse operation, or raises the report.
template <class Value>
std::optional<Value> value_from_text(PyObject* argument) {
  std::string_view text;
  if (!to_text_view(argument, text)) return std::nullopt;
  constexpr auto& target = version::target_of<Value>();
  version::ParseResult<Value> result = target.parse(text);
  if (!result.ok()) {
    raise_parse_report(result.errors(), text, target.source_name);
    return std::nullopt;
  }
  return std::move(result.value());
}

// Copies the value of `argument` if it is an instance of the class holding `Value` and shared
// access can be had; otherwise nothing, with no error set.
template <class Value>
std::optional<Value> copy_if_instance(PyObject* argument) {
  if (!PyObject_TypeCheck(argument, type_of<Value>())) return std::nullopt;
  Instance<Value>* source = as_instance<Value>(argument);
  SharedAccess access(source->access);
  if (!access.held()) return std::nullopt;
  return source->value;
}

// A kind class given a Version: the held value if it is of this kind, else a TypeError.
// `not_applicable` is set when shared access could not be had, with no error set.
template <class Kind>
std::optional<Kind> copy_out_of_version(PyObject* argument, bool& not_applicable) {
  Instance<version::Version>* wrapper = as_instance<version::Version>(argument);
  SharedAccess access(wrapper->access);
  if (!access.held()) {
    not_applicable = true;
    return std::nullopt;
  }
  if (const Kind* held = wrapper->value.template get_if<Kind>()) return *held;
  std::string message = "Expected ";
  message.append(class_name<Kind>()).append("; found ");
  version::append_debug(message, wrapper->value);
  raise(PyExc_TypeError, message);
  return std::nullopt;
}

// A kind class's one positional argument: a str is parsed; an instance of the same class, or a
// Version holding this kind, is copied under shared access.
template <class Kind>
std::optional<Kind> kind_from_argument(PyObject* argument) {
  if (PyUnicode_Check(argument)) return value_from_text<Kind>(argument);
  if (PyObject_TypeCheck(argument, type_of<Kind>())) {
    // Copied straight into the result: no intermediate value to move on the copy path.
    Instance<Kind>* source = as_instance<Kind>(argument);
    SharedAccess access(source->access);
    if (access.held()) return source->value;
  } else if (PyObject_TypeCheck(argument, type_of<version::Version>())) {
    bool not_applicable = false;
    if (auto copied = copy_out_of_version<Kind>(argument, not_applicable)) return copied;
    if (!not_applicable) return std::nullopt;
  }
  raise_cannot_construct(class_name<Kind>(), argument);
  return std::nullopt;
}

// Wraps a copy of the first kind, in rank order, whose instance `argument` is.
template <std::size_t rank = 0>
std::optional<version::Version> wrap_any_kind(PyObject* argument) {
  using Kinds = std::remove_cvref_t<decltype(std::declval<version::Version>().value())>;
  if constexpr (rank == std::variant_size_v<Kinds>) {
    return std::nullopt;
  } else {
    if (auto kind = copy_if_instance<std::variant_alternative_t<rank, Kinds>>(argument)) {
      return version::Version(std::move(*kind));
    }
    return wrap_any_kind<rank + 1>(argument);
  }
}

// The Version class's one positional argument: a str is parsed; an instance of any kind is
// wrapped, a Version copied. An instance whose access is refused counts as a foreign type.
inline std::optional<version::Version> version_from_argument(PyObject* argument) {
  if (PyUnicode_Check(argument)) return value_from_text<version::Version>(argument);
  if (auto wrapped = wrap_any_kind(argument)) return wrapped;
  if (auto copied = copy_if_instance<version::Version>(argument)) return copied;
  raise_cannot_construct(class_name<version::Version>(), argument);
  return std::nullopt;
}

template <class Value>
std::optional<Value> value_from_argument(PyObject* argument) {
  if constexpr (std::is_same_v<Value, version::Version>) {
    return version_from_argument(argument);
  } else {
    return kind_from_argument<Value>(argument);
  }
}

// The interned key of field `index`, for dictionary lookups.
template <class Value, std::size_t index>
constinit inline InternedName keyword_key{
    api::c_string(std::get<index>(api::description_of<Value>().fields).name)};

// Reads field `index` from the keywords: absent by its rule, present converted unchanged and
// counted in `found`.
template <class Value, std::size_t index>
bool read_keyword(PyObject* kwargs, Value& out, Py_ssize_t& found_count) {
  constexpr auto& field = std::get<index>(api::description_of<Value>().fields);
  PyObject* key = keyword_key<Value, index>.get();
  if (key == nullptr) return false;
  PyObject* found = nullptr;
  if (PyDict_GetItemRef(kwargs, key, &found) < 0) return false;
  const Ref value = Ref::steal(found);
  if (!value) return accept_absent_keyword(field.when_absent, field.name);
  ++found_count;
  return to_field(value.get(), out.*field.member);
}

// The keyword form: every field in order, then the check that no other keyword was given, which
// only a dict holding more keys than the fields found can fail.
template <class Value, std::size_t... index>
std::optional<Value> value_from_keywords(PyObject* kwargs, std::index_sequence<index...>) {
  static constexpr auto kAllowed = api::field_names(api::description_of<Value>());
  Value value{};
  Py_ssize_t found_count = 0;
  if (!(read_keyword<Value, index>(kwargs, value, found_count) && ...)) return std::nullopt;
  if (found_count != PyDict_GET_SIZE(kwargs)
      && !check_keyword_names(kwargs, kAllowed, class_name<Value>())) {
    return std::nullopt;
  }
  return value;
}

// The value of a tp_new call; the keyword dict is null when no keywords were given.
template <class Value>
std::optional<Value> value_from_call(PyObject* args, PyObject* kwargs) {
  constexpr auto& description = api::description_of<Value>();
  if (kwargs != nullptr) {
    if constexpr (description.constructor == api::Constructor::kArgsOnly) {
      raise_unexpected_keyword(description.name, kwargs);
      return std::nullopt;
    } else {
      if (PyTuple_GET_SIZE(args) != 0) {
        raise(PyExc_TypeError, kArgsAndKwargs);
        return std::nullopt;
      }
      return value_from_keywords<Value>(kwargs,
                                        std::make_index_sequence<description.kFieldCount>());
    }
  }
  const Py_ssize_t count = PyTuple_GET_SIZE(args);
  if (count != 1) {
    raise_positional_count(description.name, count);
    return std::nullopt;
  }
  return value_from_argument<Value>(PyTuple_GET_ITEM(args, 0));
}

// Everything a constructor entry does around building the value: memory failures, then the
// allocation, which happens only once the value exists.
template <class Build>
PyObject* construct(PyTypeObject* subtype, Build build) noexcept {
  try {
    auto value = build();
    if (!value) return nullptr;
    return new_instance(subtype, std::move(*value));
  } catch (const std::bad_alloc&) {
    return raise_out_of_memory();
  }
}

// The tp_new slot.
template <class Value>
PyObject* new_from_tuple(PyTypeObject* subtype, PyObject* args, PyObject* kwargs) noexcept {
  return construct(subtype, [&]() -> std::optional<Value> {
    if (!check_constructor_arguments(args, kwargs)) return std::nullopt;
    return value_from_call<Value>(args, kwargs);
  });
}

// The vector-call entry: the common single-argument call builds its value without an argument
// tuple; every other shape goes through tp_new.
template <class Value>
PyObject* new_from_vector(PyObject* type, PyObject* const* args, std::size_t nargsf,
                          PyObject* kwnames) noexcept {
  auto* subtype = reinterpret_cast<PyTypeObject*>(type);
  if (!is_single_positional(nargsf, kwnames)) {
    return call_new_with_packed_arguments(subtype, args, PyVectorcall_NARGS(nargsf), kwnames);
  }
  return construct(subtype, [argument = args[0]] { return value_from_argument<Value>(argument); });
}

}  // namespace kolvi::python
