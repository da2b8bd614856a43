#include "python/classes.hpp"

#include <atomic>
#include <iterator>
#include <string>

#include "python/fault.hpp"

namespace kolvi::python {

namespace {

constexpr std::size_t kClassCount = std::size(kClassOrder);
std::atomic<PyTypeObject*> type_cells[kClassCount] = {};

std::size_t index_of(ClassId id) noexcept {
  return static_cast<std::size_t>(id);
}

PyType_Spec& spec_of(ClassId id) noexcept {
  switch (id) {
    case ClassId::version:
      return version_type_spec();
    case ClassId::semver:
      return semver_type_spec();
    case ClassId::dot_separated:
      return dot_separated_type_spec();
    case ClassId::other:
      break;
  }
  return other_type_spec();
}

void finish(ClassId id, PyTypeObject* type) noexcept {
  switch (id) {
    case ClassId::version:
      return finish_version_type(type);
    case ClassId::semver:
      return finish_semver_type(type);
    case ClassId::dot_separated:
      return finish_dot_separated_type(type);
    case ClassId::other:
      return finish_other_type(type);
  }
}

}  // namespace

std::string_view class_name(ClassId id) noexcept {
  switch (id) {
    case ClassId::version:
      return "Version";
    case ClassId::semver:
      return "SemVer";
    case ClassId::dot_separated:
      return "DotSeparated";
    case ClassId::other:
      break;
  }
  return "Other";
}

PyTypeObject* make_type(ClassId id) noexcept {
  std::atomic<PyTypeObject*>& cell = type_cells[index_of(id)];
  if (PyTypeObject* existing = cell.load(std::memory_order_acquire)) return existing;
  auto* created = reinterpret_cast<PyTypeObject*>(PyType_FromSpec(&spec_of(id)));
  if (created == nullptr) return nullptr;
  finish(id, created);
  // Published by compare-and-exchange rather than behind a lock: no thread ever waits here, so
  // a free-threaded interpreter cannot deadlock on it. A racing loser drops its own object
  // before anyone saw it; exactly one type object is ever published.
  PyTypeObject* expected = nullptr;
  if (!cell.compare_exchange_strong(expected, created, std::memory_order_acq_rel)) {
    Py_DECREF(created);
    return expected;
  }
  return created;
}

PyTypeObject* type_object(ClassId id) noexcept {
  if (PyTypeObject* made = type_cells[index_of(id)].load(std::memory_order_acquire)) return made;
  if (PyTypeObject* made = make_type(id)) return made;
  PyErr_WriteUnraisable(nullptr);
  std::string message = "failed to create type object for `";
  message.append(class_name(id)).append("`");
  internal_fault(message);
}

}  // namespace kolvi::python
