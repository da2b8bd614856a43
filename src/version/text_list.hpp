// Lists of identifiers, their byte-wise order, and a list that may be absent.
#pragma once

#include <compare>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kolvi::version {

using TextList = std::vector<std::string>;

// Texts order by their UTF-8 bytes read as unsigned values, never numerically.
inline std::strong_ordering compare_text(std::string_view a, std::string_view b) noexcept {
  return a.compare(b) <=> 0;
}

// Element-wise text order; a proper prefix sorts first.
std::strong_ordering compare_lists(const TextList& a, const TextList& b) noexcept;

// A list that may be absent. Absent is a null pointer, so a SemVer without
// release-candidate or metadata identifiers stays small and allocation-free.
// Copies are deep.
class OptionalTextList {
 public:
  OptionalTextList() noexcept = default;
  explicit OptionalTextList(TextList list) : list_(new TextList(std::move(list))) {}
  OptionalTextList(const OptionalTextList& other)
      : list_(other.list_ ? new TextList(*other.list_) : nullptr) {}
  OptionalTextList(OptionalTextList&& other) noexcept
      : list_(std::exchange(other.list_, nullptr)) {}
  OptionalTextList& operator=(OptionalTextList other) noexcept {
    std::swap(list_, other.list_);
    return *this;
  }
  ~OptionalTextList() { delete list_; }

  bool has_value() const noexcept { return list_ != nullptr; }
  const TextList* get() const noexcept { return list_; }
  TextList* get() noexcept { return list_; }
  const TextList& operator*() const noexcept { return *list_; }
  TextList& operator*() noexcept { return *list_; }
  const TextList* operator->() const noexcept { return list_; }
  TextList* operator->() noexcept { return list_; }

  void reset() noexcept {
    delete list_;
    list_ = nullptr;
  }
  // Makes the list present and empty, replacing any previous content.
  TextList& emplace() {
    reset();
    list_ = new TextList();
    return *list_;
  }

 private:
  TextList* list_ = nullptr;
};

}  // namespace kolvi::version
