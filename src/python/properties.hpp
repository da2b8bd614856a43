// The properties of a described class: one getter and setter per field, and the getset table.
#pragma once

#include <Python.h>

#include <array>
#include <cstddef>
#include <tuple>
#include <type_traits>
#include <utility>

#include "python/api_description.hpp"
#include "python/convert.hpp"
#include "python/instance.hpp"

namespace kolvi::python {

template <class Value, std::size_t index>
constexpr const auto& field_of() {
  return std::get<index>(api::description_of<Value>().fields);
}

// The setter's parameter name, "new_" and the field's name, as argument errors show it.
template <class Value, std::size_t index>
inline constexpr auto kSetterParameter = api::join_text([] {
  return std::array{api::kSetterPrefix, field_of<Value, index>().name};
});

template <class Value, std::size_t index>
PyObject* get_field(PyObject* self, void* /*closure*/) noexcept {
  constexpr auto member = field_of<Value, index>().member;
  return read_shared<Value>(self, [](const Value& value) { return from_field(value.*member); });
}

template <class Value, std::size_t index>
int set_field(PyObject* self, PyObject* new_value, void* /*closure*/) noexcept {
  return write_property(self, new_value, kSetterParameter<Value, index>.view(),
                        field_of<Value, index>().member);
}

template <class Value, std::size_t... index>
constexpr auto getset_table(std::index_sequence<index...>) {
  return std::array<PyGetSetDef, sizeof...(index) + 1>{
      PyGetSetDef{api::c_string(field_of<Value, index>().name), get_field<Value, index>,
                  set_field<Value, index>, "", nullptr}...,
      PyGetSetDef{nullptr, nullptr, nullptr, nullptr, nullptr}};
}

// One entry per field, getter and setter merged, each with an empty docstring.
template <class Value>
constinit inline auto kGetSetTable = getset_table<Value>(
    std::make_index_sequence<
        std::remove_cvref_t<decltype(api::description_of<Value>())>::kFieldCount>());

}  // namespace kolvi::python
