// Conversions between Python objects and the C++ values the classes hold.
#include "python/convert.hpp"

#include "python/errors.hpp"

namespace kolvi::python {

namespace {

constexpr long kMaxU32 = 4294967295L;

bool append_item(PyObject* item, version::TextList& out) {
  std::string_view text;
  if (!to_text_view(item, text)) return false;
  out.push_back(text);
  return true;
}

}  // namespace

bool to_u32(PyObject* object, std::uint32_t& out) noexcept {
  const long value = PyLong_AsLong(object);
  if (value == -1 && PyErr_Occurred()) return false;
  if (value < 0 || value > kMaxU32) {
    raise(PyExc_OverflowError, "out of range integral type conversion attempted");
    return false;
  }
  out = static_cast<std::uint32_t>(value);
  return true;
}

bool to_text_view(PyObject* object, std::string_view& out) noexcept {
  // Exact ASCII strings are by far the common case and need no UTF-8 encoding at all.
  if (PyUnicode_CheckExact(object) && PyUnicode_IS_COMPACT_ASCII(object)) {
    out = std::string_view(static_cast<const char*>(PyUnicode_DATA(object)),
                           static_cast<std::size_t>(PyUnicode_GET_LENGTH(object)));
    return true;
  }
  if (!PyUnicode_Check(object)) {
    raise_conversion_error(object, "PyString");
    return false;
  }
  Py_ssize_t size = 0;
  const char* utf8 = PyUnicode_AsUTF8AndSize(object, &size);
  if (utf8 == nullptr) return false;
  out = std::string_view(utf8, static_cast<std::size_t>(size));
  return true;
}

bool to_text(PyObject* object, std::string& out) {
  std::string_view view;
  if (!to_text_view(object, view)) return false;
  out.assign(view);
  return true;
}

bool to_text_list(PyObject* object, version::TextList& out) {
  if (PyUnicode_Check(object)) {
    raise(PyExc_TypeError, "Can't extract `str` to `Vec`");
    return false;
  }
  if (!PySequence_Check(object)) {
    raise_conversion_error(object, "Sequence");
    return false;
  }
  version::TextList items;
  if (PyTuple_CheckExact(object)) {  // immutable: indexing equals iterating
    const Py_ssize_t size = PyTuple_GET_SIZE(object);
    for (Py_ssize_t i = 0; i < size; ++i) {
      if (!append_item(PyTuple_GET_ITEM(object, i), items)) return false;
    }
  } else {
    Ref iterator = Ref::steal(PyObject_GetIter(object));
    if (!iterator) return false;
    while (Ref item = Ref::steal(PyIter_Next(iterator.get()))) {
      if (!append_item(item.get(), items)) return false;
    }
    if (PyErr_Occurred()) return false;
  }
  out = std::move(items);
  return true;
}

bool to_optional_text_list(PyObject* object, version::OptionalTextList& out) {
  if (object == Py_None) {
    out.reset();
    return true;
  }
  version::TextList items;
  if (!to_text_list(object, items)) return false;
  out = version::OptionalTextList(std::move(items));
  return true;
}

Ref from_u32(std::uint32_t value) noexcept {
  return Ref::steal(PyLong_FromLong(value));
}

Ref from_text(std::string_view text) noexcept {
  return Ref::steal(PyUnicode_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size())));
}

Ref from_text_list(const version::TextList& list) noexcept {
  Ref result = Ref::steal(PyList_New(static_cast<Py_ssize_t>(list.size())));
  if (!result) return result;
  Py_ssize_t index = 0;
  for (const std::string_view text : list) {
    Ref item = from_text(text);
    if (!item) return Ref();
    PyList_SET_ITEM(result.get(), index++, item.release());
  }
  return result;
}

Ref from_optional_text_list(const version::OptionalTextList& list) noexcept {
  if (!list.has_value()) return Ref::borrow(Py_None);
  return from_text_list(*list);
}

}  // namespace kolvi::python
