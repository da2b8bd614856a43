#pragma once

#include <Python.h>

#include <string_view>

#include "version/version.hpp"

namespace kolvi::python {

// The four classes, in the order the module body adds them.
enum class ClassId { version, semver, dot_separated, other };
inline constexpr ClassId kClassOrder[] = {ClassId::version, ClassId::semver, ClassId::dot_separated,
                                          ClassId::other};

std::string_view class_name(ClassId id) noexcept;

template <class Value>
constexpr ClassId class_id_of() noexcept;
template <>
constexpr ClassId class_id_of<version::Version>() noexcept {
  return ClassId::version;
}
template <>
constexpr ClassId class_id_of<version::SemVer>() noexcept {
  return ClassId::semver;
}
template <>
constexpr ClassId class_id_of<version::DotSeparated>() noexcept {
  return ClassId::dot_separated;
}
template <>
constexpr ClassId class_id_of<version::Other>() noexcept {
  return ClassId::other;
}

// The type object of a class, made on first use and kept for the life of the process.
// Returns null with the interpreter's exception set when it cannot be made.
PyTypeObject* make_type(ClassId id) noexcept;

// For handlers, which cannot proceed without it: a type that cannot be made is an internal
// fault. Once made (by the module body, in practice) this is a single atomic load.
PyTypeObject* type_object(ClassId id) noexcept;

template <class Value>
PyTypeObject* type_of() noexcept {
  return type_object(class_id_of<Value>());
}

// Each class file provides its spec, and may adjust the made type (e.g. a faster call path).
PyType_Spec& version_type_spec() noexcept;
PyType_Spec& semver_type_spec() noexcept;
PyType_Spec& dot_separated_type_spec() noexcept;
PyType_Spec& other_type_spec() noexcept;
void finish_version_type(PyTypeObject* type) noexcept;
void finish_semver_type(PyTypeObject* type) noexcept;
void finish_dot_separated_type(PyTypeObject* type) noexcept;
void finish_other_type(PyTypeObject* type) noexcept;

}  // namespace kolvi::python
