// The type objects of the described classes: made once, then found by the value type they hold.
#pragma once

#include <Python.h>

#include <array>
#include <cstddef>
#include <string_view>

#include "python/api_description.hpp"
#include "python/once_cell.hpp"

namespace kolvi::python {

// One cell per described class, in description order.
inline OnceCell<PyTypeObject> type_cells[api::kClassCount];

// Makes (once) the type object of the class at `class_index` of the description. Returns null
// with the interpreter's exception set when it cannot be made.
PyTypeObject* make_type(std::size_t class_index) noexcept;

// For handlers, which cannot proceed without it: a type that cannot be made is an internal
// fault.
PyTypeObject* type_object(std::size_t class_index) noexcept;

std::string_view class_name(std::size_t class_index) noexcept;

// The order the module adds the classes in: Version, the entry point, then the kinds.
inline constexpr std::array<std::size_t, api::kClassCount> kModuleOrder = [] {
  std::array<std::size_t, api::kClassCount> order{};
  std::size_t next = 0;
  order[next++] = api::class_index<version::Version>();
  for (std::size_t index = 0; index < api::kClassCount; ++index) {
    if (index != api::class_index<version::Version>()) order[next++] = index;
  }
  return order;
}();

template <class Value>
constexpr std::string_view class_name() noexcept {
  return api::description_of<Value>().name;
}

// Once the module body has made the types, this is a single atomic load.
template <class Value>
PyTypeObject* type_of() noexcept {
  constexpr std::size_t index = api::class_index<Value>();
  if (PyTypeObject* made = type_cells[index].get()) return made;
  return type_object(index);
}

}  // namespace kolvi::python
