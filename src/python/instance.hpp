// An instance of a class (header, owned value, access flag, cached order key) and the handlers
// that only need the value: allocation, deallocation, str/repr, property writes and rich
// comparison.
#pragma once

#include <Python.h>

#include <atomic>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "python/access.hpp"
#include "python/classes.hpp"
#include "python/convert.hpp"
#include "python/errors.hpp"
#include "version/order_key.hpp"
#include "version/version.hpp"

namespace kolvi::python {

// The value's order key, computed by the first comparison that needs it and kept until a setter
// replaces a field; 0 means not computed, which no key is. Readers hold shared access, so the
// value cannot change under them and racing readers store the same key: relaxed order is enough.
// A setter resets the key under exclusive access, whose release orders the reset before every
// later reader's acquire.
class CachedOrderKey {
 public:
  template <class Value>
  std::uint64_t get(const Value& value) noexcept {
    std::uint64_t key = key_.load(std::memory_order_relaxed);
    if (key == 0) [[unlikely]] {
      key = version::order_key(value);
      key_.store(key, std::memory_order_relaxed);
    }
    return key;
  }
  void reset() noexcept { key_.store(0, std::memory_order_relaxed); }

  // The key if a comparison has computed it since the last setter, else 0. Needs no access: the
  // key alone, read once, is the order of the value at some moment of the call.
  std::uint64_t known() const noexcept { return key_.load(std::memory_order_relaxed); }

 private:
  std::atomic<std::uint64_t> key_{0};
};

// Object header, then the owned value, the access flag and the order key, which lets a sort
// compare instances without following the value's pointers. No dict, no weak-reference slot and
// no GC header: a SemVer without identifier lists is 64 bytes on the GIL build.
template <class Value>
struct Instance {
  PyObject_HEAD Value value;
  AccessFlag access;
  CachedOrderKey order_key;
};

template <class Value>
Instance<Value>* as_instance(PyObject* object) noexcept {
  return reinterpret_cast<Instance<Value>*>(object);
}

// Instances reference no other objects and are not tracked by the garbage collector, so when the
// type keeps the generic allocator the memory is taken directly: PyType_GenericAlloc would only
// add a zero fill that the in-place construction overwrites anyway.
inline PyObject* allocate_object(PyTypeObject* type) noexcept {
  if (type->tp_alloc == PyType_GenericAlloc && !PyType_HasFeature(type, Py_TPFLAGS_HAVE_GC)) {
    void* memory = PyObject_Malloc(static_cast<std::size_t>(type->tp_basicsize));
    return PyObject_Init(static_cast<PyObject*>(memory), type);  // MemoryError when null
  }
  const allocfunc alloc = type->tp_alloc != nullptr ? type->tp_alloc : PyType_GenericAlloc;
  return alloc(type, 0);
}

// The constructor frame's last step: allocate only once the value exists, then move it in.
// On failure the caller's value is simply destroyed with it.
template <class Value>
PyObject* new_instance(PyTypeObject* subtype, Value&& value) noexcept {
  PyObject* object = allocate_object(subtype);
  if (object == nullptr) return nullptr;
  Instance<Value>* instance = as_instance<Value>(object);
  new (&instance->value) Value(std::move(value));
  new (&instance->access) AccessFlag();
  new (&instance->order_key) CachedOrderKey();
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
template <class Value, class Field>
int write_property(PyObject* self, PyObject* new_value, std::string_view parameter,
                   Field Value::*member) noexcept {
  if (new_value == nullptr) {
    raise(PyExc_AttributeError, "can't delete attribute");
    return -1;
  }
  try {
    Field field{};
    if (!to_field(new_value, field)) {
      remap_argument_error(parameter);
      return -1;
    }
    Instance<Value>* instance = as_instance<Value>(self);
    ExclusiveAccess access(instance->access);
    if (!access.held()) {
      raise(PyExc_RuntimeError, kAlreadyBorrowed);
      return -1;
    }
    instance->value.*member = std::move(field);
    instance->order_key.reset();
    return 0;
  } catch (const std::bad_alloc&) {
    raise_out_of_memory();
    return -1;
  }
}

// -1, 0 or 1 as `order` is less, equal or greater.
inline int sign_of(std::strong_ordering order) noexcept {
  return (order > 0) - (order < 0);
}

// Whether comparison `op` (Py_LT to Py_GE) holds for operands whose order has the sign `sign`:
// three bits per operation, from Py_GE down to Py_LT, say which of greater, equal and less it
// accepts. No branches, which a sort's comparisons cannot predict.
inline bool outcome(int sign, int op) noexcept {
  constexpr unsigned kAccepts = 0b110'100'101'010'011'001;
  return ((kAccepts >> (3 * op + sign + 1)) & 1) != 0;
}

// Two equal keys cut short: the values decide, equality by its own test, which stops at the
// first difference. Kept out of line so that the key comparison inlines into its caller.
template <class Value>
[[gnu::noinline]] bool holds_for_values(const Value& a, const Value& b, int op) noexcept {
  if (op == Py_EQ || op == Py_NE) return (a == b) == (op == Py_EQ);
  return outcome(sign_of(a <=> b), op);
}

// Keys first: the values are read only when both keys are the same cut-short key.
template <class Value>
bool holds(Instance<Value>& a, Instance<Value>& b, int op) noexcept {
  const std::uint64_t a_key = a.order_key.get(a.value);
  const std::uint64_t b_key = b.order_key.get(b.value);
  if (a_key == b_key && !version::key_is_whole(a_key)) [[unlikely]] {
    return holds_for_values(a.value, b.value, op);
  }
  return outcome(sign_of(a_key <=> b_key), op);
}

// Answers from two keys already computed when they decide; nothing otherwise. Reading only the
// atomic keys, it takes no shared access, which on the free-threaded build saves four atomic
// read-modify-writes per comparison. A comparison that sees a setter's exclusive hold still
// goes the long way and fails as before; one that misses it is ordered before that setter.
template <class Value>
std::optional<bool> holds_by_known_keys(Instance<Value>& a, Instance<Value>& b, int op) noexcept {
  if (!a.access.not_exclusive() || !b.access.not_exclusive()) return std::nullopt;
  const std::uint64_t a_key = a.order_key.known();
  const std::uint64_t b_key = b.order_key.known();
  if (a_key == 0 || b_key == 0 || (a_key == b_key && !version::key_is_whole(a_key))) {
    return std::nullopt;
  }
  return outcome(sign_of(a_key <=> b_key), op);
}

// Rich comparison: foreign operands get NotImplemented, so Python falls back to identity for
// == and != and raises its own TypeError for ordering. The classes cannot be subclassed, so the
// type checks are pointer compares; nothing here allocates or runs Python code, which is what
// BriefSharedAccess requires. An instance is equal to itself whatever a setter does to it, so
// comparing one with itself needs neither access nor keys. An operand that a setter holds makes
// the comparison fail: answering NotImplemented then would let Python decide by identity or
// raise its TypeError, neither of which is an answer for the values.
template <class Value>
PyObject* compare_instances(PyObject* self, PyObject* other, int op) noexcept {
  PyTypeObject* type = type_of<Value>();
  if (!PyObject_TypeCheck(self, type) || !PyObject_TypeCheck(other, type)) {
    Py_RETURN_NOTIMPLEMENTED;
  }
  if (op < Py_LT || op > Py_GE) Py_RETURN_NOTIMPLEMENTED;
  if (self == other) return Py_NewRef(outcome(0, op) ? Py_True : Py_False);
  Instance<Value>* left = as_instance<Value>(self);
  Instance<Value>* right = as_instance<Value>(other);
  if (const std::optional<bool> known = holds_by_known_keys(*left, *right, op)) {
    return Py_NewRef(*known ? Py_True : Py_False);
  }
  BriefSharedAccess left_access(left->access);
  BriefSharedAccess right_access(right->access);
  if (!left_access.held() || !right_access.held()) {
    return raise(PyExc_RuntimeError, kAlreadyMutablyBorrowed);
  }
  return Py_NewRef(holds(*left, *right, op) ? Py_True : Py_False);
}

}  // namespace kolvi::python
