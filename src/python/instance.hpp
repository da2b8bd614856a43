#pragma once

#include <Python.h>

#include <new>
#include <string>
#include <string_view>
#include <utility>

#include "package/version/mod.hpp"
#include "python/access.hpp"
#include "python/classes.hpp"
#include "python/convert.hpp"
#include "python/errors.hpp"

namespace kolvi::python {

// Object header, then the owned value, then the access flag. No dict, no weak-reference slot
// and no GC header: a SemVer without identifier lists is 56 bytes on the GIL build.
template <class Value>
struct Instance {
  PyObject_HEAD
  Value value;
  AccessFlag access;
};

template <class Value>
Instance<Value>* as_instance(PyObject* object) noexcept {
  return reinterpret_cast<Instance<Value>*>(object);
}

// The constructor frame's last step: allocate only once the value exists, then move it in.
// On failure the caller's value is simply destroyed with it.
template <class Value>
PyObject* new_instance(PyTypeObject* subtype, Value&& value) noexcept {
  const allocfunc alloc = subtype->tp_alloc != nullptr ? subtype->tp_alloc : PyType_GenericAlloc;
  PyObject* object = alloc(subtype, 0);
  if (object == nullptr) return nullptr;
  Instance<Value>* instance = as_instance<Value>(object);
  new (&instance->value) Value(std::move(value));
  new (&instance->access) AccessFlag();
  return object;
}

template <class Value>
void dealloc_instance(PyObject* self) noexcept {
  as_instance<Value>(self)->value.~Value();
  PyTypeObject* type = Py_TYPE(self);
  type->tp_free(self);
  Py_DECREF(type);  // instances of heap types own a reference to their type
}

// Reads the value under shared access. `read` returns a Ref.
template <class Value, class Read>
PyObject* read_shared(PyObject* self, Read read) noexcept {
  try {
    Instance<Value>* instance = as_instance<Value>(self);
    SharedAccess access(instance->access);
    if (!access.held()) return raise(PyExc_RuntimeError, kAlreadyMutablyBorrowed);
    return read(instance->value).release();
  } catch (const std::bad_alloc&) {
    return raise_out_of_memory();
  }
}

template <class Value>
PyObject* repr_instance(PyObject* self) noexcept {
  return read_shared<Value>(self, [](const Value& value) { return from_text(debug(value)); });
}

template <class Value>
PyObject* str_instance(PyObject* self) noexcept {
  return read_shared<Value>(self, [](const Value& value) { return from_text(display(value)); });
}

// The property setter frame: refuse deletion, convert with the parameter's name on a TypeError,
// then replace the field under exclusive access. A failure leaves the instance untouched.
template <class Value, class Field, class Convert, class Assign>
int write_property(PyObject* self, PyObject* new_value, std::string_view parameter,
                   Convert convert, Assign assign) noexcept {
  if (new_value == nullptr) {
    raise(PyExc_AttributeError, "can't delete attribute");
    return -1;
  }
  try {
    Field field{};
    if (!convert(new_value, field)) {
      remap_argument_error(parameter);
      return -1;
    }
    Instance<Value>* instance = as_instance<Value>(self);
    ExclusiveAccess access(instance->access);
    if (!access.held()) {
      raise(PyExc_RuntimeError, kAlreadyBorrowed);
      return -1;
    }
    assign(instance->value, std::move(field));
    return 0;
  } catch (const std::bad_alloc&) {
    raise_out_of_memory();
    return -1;
  }
}

// Rich comparison: foreign operands get NotImplemented, so Python falls back to identity for
// == and != and raises its own TypeError for ordering.
template <class Value>
PyObject* compare_instances(PyObject* self, PyObject* other, int op) noexcept {
  PyTypeObject* type = type_of<Value>();
  if (!PyObject_TypeCheck(self, type)) Py_RETURN_NOTIMPLEMENTED;
  Instance<Value>* left = as_instance<Value>(self);
  SharedAccess left_access(left->access);
  if (!left_access.held() || op < Py_LT || op > Py_GE) Py_RETURN_NOTIMPLEMENTED;
  if (!PyObject_TypeCheck(other, type)) Py_RETURN_NOTIMPLEMENTED;
  Instance<Value>* right = as_instance<Value>(other);
  SharedAccess right_access(right->access);
  if (!right_access.held()) return raise(PyExc_RuntimeError, kAlreadyMutablyBorrowed);
  bool result = false;
  switch (op) {
    case Py_EQ: result = left->value == right->value; break;
    case Py_NE: result = !(left->value == right->value); break;
    case Py_LT: result = (left->value <=> right->value) < 0; break;
    case Py_LE: result = (left->value <=> right->value) <= 0; break;
    case Py_GT: result = (left->value <=> right->value) > 0; break;
    default: result = (left->value <=> right->value) >= 0; break;
  }
  return PyBool_FromLong(result);
}

}  // namespace kolvi::python
