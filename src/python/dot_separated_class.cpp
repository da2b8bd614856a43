// The DotSeparated class: a version made of dot-separated parts, with the property `parts`.

#include <array>

#include "python/kind_constructor.hpp"

namespace kolvi::python {

namespace {

using version::DotSeparated;

constexpr std::array<std::string_view, 1> kKeywords = {"parts"};
InternedName parts_key("parts");

bool dot_separated_from_argument(PyObject* argument, DotSeparated& out) {
  return kind_from_argument(argument, version::parse_dot_separated,
                            version::dot_separated_source_name, out);
}

bool build_dot_separated(PyObject* args, PyObject* kwargs, DotSeparated& out) {
  if (kwargs == nullptr) {
    return kind_from_positional(args, version::parse_dot_separated,
                                version::dot_separated_source_name, out);
  }
  if (PyTuple_GET_SIZE(args) != 0) {
    raise(PyExc_TypeError, kArgsAndKwargs);
    return false;
  }
  Ref parts;
  return require_keyword(kwargs, parts_key, parts) && to_text_list(parts.get(), out.parts)
         && check_keyword_names(kwargs, kKeywords, "DotSeparated");
}

PyObject* dot_separated_new(PyTypeObject* subtype, PyObject* args, PyObject* kwargs) noexcept {
  return construct<DotSeparated>(subtype, args, kwargs, build_dot_separated);
}

PyObject* get_parts(PyObject* self, void*) noexcept {
  return read_shared<DotSeparated>(self,
                                   [](const DotSeparated& v) { return from_text_list(v.parts); });
}

int set_parts(PyObject* self, PyObject* new_value, void*) noexcept {
  return write_property<DotSeparated, version::TextList>(
      self, new_value, "new_parts", to_text_list,
      [](DotSeparated& v, version::TextList parts) { v.parts = std::move(parts); });
}

PyGetSetDef properties[] = {
    {"parts", get_parts, set_parts, "", nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyType_Slot slots[] = {
    {Py_tp_doc, const_cast<char*>(
                    "DotSeparated(*args, **kwargs)\n--\n\nPython wrapper around [`DotSeparated`]")},
    {Py_tp_new, reinterpret_cast<void*>(dot_separated_new)},
    {Py_tp_repr, reinterpret_cast<void*>(repr_instance<DotSeparated>)},
    {Py_tp_str, reinterpret_cast<void*>(str_instance<DotSeparated>)},
    {Py_tp_richcompare, reinterpret_cast<void*>(compare_instances<DotSeparated>)},
    {Py_tp_getset, properties},
    {Py_tp_dealloc, reinterpret_cast<void*>(dealloc_instance<DotSeparated>)},
    {0, nullptr},
};

PyType_Spec spec = {"builtins.DotSeparated", sizeof(Instance<DotSeparated>), 0, Py_TPFLAGS_DEFAULT,
                    slots};

}  // namespace

PyType_Spec& dot_separated_type_spec() noexcept {
  return spec;
}
void finish_dot_separated_type(PyTypeObject* type) noexcept {
  type->tp_vectorcall = construct_fast<DotSeparated, dot_separated_from_argument>;
}

}  // namespace kolvi::python
