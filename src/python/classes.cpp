// Making the type objects of the described classes, one table entry per class.
#include "python/classes.hpp"

#include <string>
#include <utility>

#include "python/fault.hpp"
#include "python/type_spec.hpp"

namespace kolvi::python {

namespace {

template <std::size_t index>
PyTypeObject* make_type_at() noexcept {
  using Value = api::ValueAt<index>;
  return type_cells[index].get_or_create([] {
    auto* type = reinterpret_cast<PyTypeObject*>(PyType_FromSpec(&type_spec<Value>()));
#if PY_VERSION_HEX < 0x030E0000
    // Before 3.14 no type slot carries the vector-call entry; set it before anyone sees the type.
    if (type != nullptr) type->tp_vectorcall = new_from_vector<Value>;
#endif
    return type;
  });
}

template <std::size_t... index>
constexpr auto type_makers(std::index_sequence<index...>) {
  return std::array<PyTypeObject* (*)() noexcept, sizeof...(index)>{make_type_at<index>...};
}

constexpr auto kTypeMakers = type_makers(std::make_index_sequence<api::kClassCount>());

}  // namespace

std::string_view class_name(std::size_t class_index) noexcept {
  return api::kClasses[class_index].name;
}

PyTypeObject* make_type(std::size_t class_index) noexcept {
  return kTypeMakers[class_index]();
}

PyTypeObject* type_object(std::size_t class_index) noexcept {
  if (PyTypeObject* made = make_type(class_index)) return made;
  PyErr_WriteUnraisable(nullptr);
  std::string message = "failed to create type object for `";
  message.append(class_name(class_index)).append("`");
  internal_fault(message);
}

}  // namespace kolvi::python
