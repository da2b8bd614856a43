// The constructors' error messages, shared by every class.
#include "python/constructors.hpp"

#include "base/decimal.hpp"

namespace kolvi::python {

void raise_positional_count(std::string_view class_name, Py_ssize_t given) {
  std::string message(class_name);
  if (given == 0) {
    message.append("() requires arguments");
  } else {
    message.append("() takes 1 positional argument but ");
    base::append_decimal(message, static_cast<std::size_t>(given));
    message.append(" were given");
  }
  raise(PyExc_ValueError, message);
}

void raise_cannot_construct(std::string_view class_name, PyObject* argument) {
  const Ref type_name = Ref::steal(PyType_GetName(Py_TYPE(argument)));
  if (!type_name) return;
  std::string_view name;
  if (!to_text_view(type_name.get(), name)) return;
  std::string message = "Cannot construct ";
  message.append(class_name).append(" from type '").append(name).append("'");
  raise(PyExc_TypeError, message);
}

void raise_unexpected_keyword(std::string_view class_name, PyObject* kwargs) {
  const Ref key = Ref::steal(first_keyword(kwargs));
  if (!key) return;
  std::string_view name;
  if (!to_text_view(key.get(), name)) return;
  std::string message(class_name);
  message.append(".__new__() got an unexpected keyword argument '").append(name).append("'");
  raise(PyExc_TypeError, message);
}

bool accept_absent_keyword(api::WhenAbsent when_absent, std::string_view name) {
  std::string message;
  switch (when_absent) {
    case api::WhenAbsent::kLeaveEmpty:
      return true;
    case api::WhenAbsent::kMissingArgument:
      message.append("Missing required keyword argument '").append(name).append("'");
      raise(PyExc_TypeError, message);
      return false;
    case api::WhenAbsent::kInvalidInput:
      break;
  }
  message.append("invalid input to argument '").append(name).append("'");
  raise(PyExc_ValueError, message);
  return false;
}

}  // namespace kolvi::python
