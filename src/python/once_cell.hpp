// A cell that holds one Python object for the life of the process, made on first use.
#pragma once

#include <Python.h>

#include <atomic>

namespace kolvi::python {

// Created without a lock and published by compare-and-exchange: no thread ever waits here, so
// a free-threaded interpreter cannot deadlock on it. A racing loser drops its own object before
// anyone saw it, so exactly one object is ever published.
template <class Object>
class OnceCell {
 public:
  // The published object, or null before the first success.
  Object* get() const noexcept { return cell_.load(std::memory_order_acquire); }

  // `create` returns a new reference, or null with the interpreter's exception set; null is
  // passed on and the next call tries again.
  template <class Create>
  Object* get_or_create(Create create) noexcept {
    if (Object* existing = get()) return existing;
    Object* created = create();
    if (created == nullptr) return nullptr;
    Object* expected = nullptr;
    if (!cell_.compare_exchange_strong(expected, created, std::memory_order_acq_rel)) {
      Py_DECREF(created);
      return expected;
    }
    return created;
  }

 private:
  std::atomic<Object*> cell_{nullptr};
};

}  // namespace kolvi::python
