// The SemVer class: a parsed or keyword-built semantic version with five properties.

#include <array>

#include "python/kind_constructor.hpp"

namespace kolvi::python {

namespace {

using version::SemVer;
using Self = Instance<SemVer>;

constexpr std::array<std::string_view, 5> kKeywords = {"major", "minor", "patch", "rc", "meta"};

InternedName major_key("major");
InternedName minor_key("minor");
InternedName patch_key("patch");
InternedName rc_key("rc");
InternedName meta_key("meta");

bool read_number(PyObject* kwargs, InternedName& key, std::uint32_t& out) {
  Ref value;
  if (!lookup_keyword(kwargs, key, value)) return false;
  if (!value) {
    std::string message = "Missing required keyword argument '";
    message.append(key.text()).append("'");
    raise(PyExc_TypeError, message);
    return false;
  }
  return to_u32(value.get(), out);
}

bool read_list(PyObject* kwargs, InternedName& key, version::OptionalTextList& out) {
  Ref value;
  if (!lookup_keyword(kwargs, key, value)) return false;
  if (!value) return true;
  return to_optional_text_list(value.get(), out);
}

bool semver_from_keywords(PyObject* kwargs, SemVer& out) {
  return read_number(kwargs, major_key, out.major) && read_number(kwargs, minor_key, out.minor)
         && read_number(kwargs, patch_key, out.patch) && read_list(kwargs, rc_key, out.rc)
         && read_list(kwargs, meta_key, out.meta)
         && check_keyword_names(kwargs, kKeywords, "SemVer");
}

bool semver_from_argument(PyObject* argument, SemVer& out) {
  return kind_from_argument(argument, version::parse_semver, version::semver_source_name, out);
}

bool build_semver(PyObject* args, PyObject* kwargs, SemVer& out) {
  if (kwargs == nullptr) {
    return kind_from_positional(args, version::parse_semver, version::semver_source_name, out);
  }
  if (PyTuple_GET_SIZE(args) != 0) {
    raise(PyExc_TypeError, kArgsAndKwargs);
    return false;
  }
  return semver_from_keywords(kwargs, out);
}

PyObject* semver_new(PyTypeObject* subtype, PyObject* args, PyObject* kwargs) noexcept {
  return construct<SemVer>(subtype, args, kwargs, build_semver);
}

// major, minor and patch share one getter and setter; the closure names the field.
struct NumberField {
  std::uint32_t SemVer::*member;
  std::string_view parameter;
};
constexpr NumberField kMajor{&SemVer::major, "new_major"};
constexpr NumberField kMinor{&SemVer::minor, "new_minor"};
constexpr NumberField kPatch{&SemVer::patch, "new_patch"};

struct ListField {
  version::OptionalTextList SemVer::*member;
  std::string_view parameter;
};
constexpr ListField kRc{&SemVer::rc, "new_rc"};
constexpr ListField kMeta{&SemVer::meta, "new_meta"};

PyObject* get_number(PyObject* self, void* closure) noexcept {
  const auto* field = static_cast<const NumberField*>(closure);
  return read_shared<SemVer>(self,
                             [field](const SemVer& v) { return from_u32(v.*(field->member)); });
}

int set_number(PyObject* self, PyObject* new_value, void* closure) noexcept {
  const auto* field = static_cast<const NumberField*>(closure);
  return write_property<SemVer, std::uint32_t>(
      self, new_value, field->parameter, to_u32,
      [field](SemVer& v, std::uint32_t number) { v.*(field->member) = number; });
}

PyObject* get_list(PyObject* self, void* closure) noexcept {
  const auto* field = static_cast<const ListField*>(closure);
  return read_shared<SemVer>(
      self, [field](const SemVer& v) { return from_optional_text_list(v.*(field->member)); });
}

int set_list(PyObject* self, PyObject* new_value, void* closure) noexcept {
  const auto* field = static_cast<const ListField*>(closure);
  return write_property<SemVer, version::OptionalTextList>(
      self, new_value, field->parameter, to_optional_text_list,
      [field](SemVer& v, version::OptionalTextList list) { v.*(field->member) = std::move(list); });
}

void* closure_of(const void* field) {
  return const_cast<void*>(field);
}

PyGetSetDef properties[] = {
    {"major", get_number, set_number, "", closure_of(&kMajor)},
    {"minor", get_number, set_number, "", closure_of(&kMinor)},
    {"patch", get_number, set_number, "", closure_of(&kPatch)},
    {"rc", get_list, set_list, "", closure_of(&kRc)},
    {"meta", get_list, set_list, "", closure_of(&kMeta)},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyType_Slot slots[] = {
    {Py_tp_doc,
     const_cast<char*>("SemVer(*args, **kwargs)\n--\n\nPython wrapper type for [`SemVer`]")},
    {Py_tp_new, reinterpret_cast<void*>(semver_new)},
    {Py_tp_repr, reinterpret_cast<void*>(repr_instance<SemVer>)},
    {Py_tp_str, reinterpret_cast<void*>(str_instance<SemVer>)},
    {Py_tp_richcompare, reinterpret_cast<void*>(compare_instances<SemVer>)},
    {Py_tp_getset, properties},
    {Py_tp_dealloc, reinterpret_cast<void*>(dealloc_instance<SemVer>)},
    {0, nullptr},
};

PyType_Spec spec = {"builtins.SemVer", sizeof(Self), 0, Py_TPFLAGS_DEFAULT, slots};

}  // namespace

PyType_Spec& semver_type_spec() noexcept {
  return spec;
}
void finish_semver_type(PyTypeObject* type) noexcept {
  type->tp_vectorcall = construct_fast<SemVer, semver_from_argument>;
}

}  // namespace kolvi::python
