// The type spec of a described class: its name, docstring and slot table.
#pragma once

#include <Python.h>

#include <array>
#include <cstddef>

#include "python/api_description.hpp"
#include "python/constructors.hpp"
#include "python/instance.hpp"
#include "python/properties.hpp"

namespace kolvi::python {

// "builtins." and the class name: the classes report the module "builtins".
template <class Value>
inline constexpr auto kSpecName = api::join_text([] {
  return std::array<std::string_view, 2>{"builtins.", class_name<Value>()};
});

// The class docstring: the text signature, the separator CPython looks for, then __doc__.
template <class Value>
inline constexpr auto kClassDoc = api::join_text([] {
  constexpr auto& description = api::description_of<Value>();
  return std::array{description.name, api::text_signature(description.constructor),
                    std::string_view("\n--\n\n"), description.doc};
});

template <class Function>
void* slot_function(Function* function) noexcept {
  return reinterpret_cast<void*>(function);
}

// The slots of every class; a getset table only when it has fields. From 3.14 on the
// vector-call entry is a slot too; before, it is set on the made type (see classes.cpp).
template <class Value>
std::array<PyType_Slot, 10> make_slots() noexcept {
  std::array<PyType_Slot, 10> slots{};
  std::size_t next = 0;
  slots[next++] = {Py_tp_doc, const_cast<char*>(kClassDoc<Value>.c_str())};
  slots[next++] = {Py_tp_new, slot_function(new_from_tuple<Value>)};
  slots[next++] = {Py_tp_repr, slot_function(repr_instance<Value>)};
  slots[next++] = {Py_tp_str, slot_function(str_instance<Value>)};
  slots[next++] = {Py_tp_richcompare, slot_function(compare_instances<Value>)};
  if (kGetSetTable<Value>.size() > 1) slots[next++] = {Py_tp_getset, kGetSetTable<Value>.data()};
  slots[next++] = {Py_tp_dealloc, slot_function(dealloc_instance<Value>)};
#if PY_VERSION_HEX >= 0x030E0000
  slots[next++] = {Py_tp_vectorcall, slot_function(new_from_vector<Value>)};
#endif
  slots[next] = {0, nullptr};
  return slots;
}

// Kept for the life of the process: the type made from them points at its name and slots.
template <class Value>
PyType_Spec& type_spec() noexcept {
  static std::array<PyType_Slot, 10> slots = make_slots<Value>();
  static PyType_Spec spec = {kSpecName<Value>.c_str(), static_cast<int>(sizeof(Instance<Value>)), 0,
                             Py_TPFLAGS_DEFAULT, slots.data()};
  return spec;
}

}  // namespace kolvi::python
