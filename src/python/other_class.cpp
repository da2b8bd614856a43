// The Other class: any other version text, with the property `value`.

#include <array>

#include "python/kind_constructor.hpp"

namespace kolvi::python {

namespace {

using version::Other;

constexpr std::array<std::string_view, 1> kKeywords = {"value"};
InternedName value_key("value");

bool other_from_argument(PyObject* argument, Other& out) {
  return kind_from_argument(argument, version::parse_other, version::other_source_name, out);
}

bool build_other(PyObject* args, PyObject* kwargs, Other& out) {
  if (kwargs == nullptr) {
    return kind_from_positional(args, version::parse_other, version::other_source_name, out);
  }
  if (PyTuple_GET_SIZE(args) != 0) {
    raise(PyExc_TypeError, kArgsAndKwargs);
    return false;
  }
  Ref value;
  return require_keyword(kwargs, value_key, value) && to_text(value.get(), out.value)
         && check_keyword_names(kwargs, kKeywords, "Other");
}

PyObject* other_new(PyTypeObject* subtype, PyObject* args, PyObject* kwargs) noexcept {
  return construct<Other>(subtype, args, kwargs, build_other);
}

PyObject* get_value(PyObject* self, void*) noexcept {
  return read_shared<Other>(self, [](const Other& v) { return from_text(v.value); });
}

int set_value(PyObject* self, PyObject* new_value, void*) noexcept {
  return write_property<Other, std::string>(
      self, new_value, "new_value", to_text,
      [](Other& v, std::string text) { v.value = std::move(text); });
}

PyGetSetDef properties[] = {
    {"value", get_value, set_value, "", nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyType_Slot slots[] = {
    {Py_tp_doc,
     const_cast<char*>(
         "Other(*args, **kwargs)\n--\n\nPython wrapper around the [`Other`] version type")},
    {Py_tp_new, reinterpret_cast<void*>(other_new)},
    {Py_tp_repr, reinterpret_cast<void*>(repr_instance<Other>)},
    {Py_tp_str, reinterpret_cast<void*>(str_instance<Other>)},
    {Py_tp_richcompare, reinterpret_cast<void*>(compare_instances<Other>)},
    {Py_tp_getset, properties},
    {Py_tp_dealloc, reinterpret_cast<void*>(dealloc_instance<Other>)},
    {0, nullptr},
};

PyType_Spec spec = {"builtins.Other", sizeof(Instance<Other>), 0, Py_TPFLAGS_DEFAULT, slots};

}  // namespace

PyType_Spec& other_type_spec() noexcept {
  return spec;
}
void finish_other_type(PyTypeObject* type) noexcept {
  type->tp_vectorcall = construct_fast<Other, other_from_argument>;
}

}  // namespace kolvi::python
