#include "python/kind_constructor.hpp"

#include "base/decimal.hpp"

namespace kolvi::python {

bool raise_positional_count(std::string_view class_name, Py_ssize_t given) {
  std::string message(class_name);
  if (given == 0) {
    message.append("() requires arguments");
  } else {
    message.append("() takes 1 positional argument but ");
    base::append_decimal(message, static_cast<std::size_t>(given));
    message.append(" were given");
  }
  raise(PyExc_ValueError, message);
  return false;
}

bool raise_cannot_construct(std::string_view class_name, PyObject* argument) {
  const Ref type_name = Ref::steal(PyType_GetName(Py_TYPE(argument)));
  if (!type_name) return false;
  std::string_view name;
  if (!to_text_view(type_name.get(), name)) return false;
  std::string message = "Cannot construct ";
  message.append(class_name).append(" from type '").append(name).append("'");
  raise(PyExc_TypeError, message);
  return false;
}

}  // namespace kolvi::python
