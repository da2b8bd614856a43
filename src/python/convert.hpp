// Conversions between Python objects and the C++ values the classes hold.
#pragma once

#include <Python.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "python/ref.hpp"
#include "version/text_list.hpp"

namespace kolvi::python {

// Python to C++. Each returns false with a Python exception set; the texts may throw
// std::bad_alloc, which the handler boundary turns into MemoryError.

// Anything PyLong_AsLong accepts whose value fits 0..4294967295.
bool to_u32(PyObject* object, std::uint32_t& out) noexcept;

// A str (or subclass) as UTF-8. The view borrows from `object` and lives as long as it does.
bool to_text_view(PyObject* object, std::string_view& out) noexcept;
bool to_text(PyObject* object, std::string& out);

// Any sequence but a str, its items taken by iteration, each a str.
bool to_text_list(PyObject* object, version::TextList& out);

// None (absent) or a list of texts as above.
bool to_optional_text_list(PyObject* object, version::OptionalTextList& out);

// C++ to Python: always new objects, so callers can never alias an instance's storage.
Ref from_u32(std::uint32_t value) noexcept;
Ref from_text(std::string_view text) noexcept;
Ref from_text_list(const version::TextList& list) noexcept;
Ref from_optional_text_list(const version::OptionalTextList& list) noexcept;

// The conversions of a described field, picked by the field's C++ type.
inline bool to_field(PyObject* object, std::uint32_t& out) noexcept {
  return to_u32(object, out);
}
inline bool to_field(PyObject* object, std::string& out) {
  return to_text(object, out);
}
inline bool to_field(PyObject* object, version::TextList& out) {
  return to_text_list(object, out);
}
inline bool to_field(PyObject* object, version::OptionalTextList& out) {
  return to_optional_text_list(object, out);
}
inline Ref from_field(std::uint32_t value) noexcept {
  return from_u32(value);
}
inline Ref from_field(const std::string& text) noexcept {
  return from_text(text);
}
inline Ref from_field(const version::TextList& list) noexcept {
  return from_text_list(list);
}
inline Ref from_field(const version::OptionalTextList& list) noexcept {
  return from_optional_text_list(list);
}

}  // namespace kolvi::python
