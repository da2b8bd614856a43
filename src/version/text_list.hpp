// Lists of identifiers kept in one block each, their byte-wise order, and a list that may be
// absent.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <string_view>
#include <utility>

namespace kolvi::version {

// Texts order by their UTF-8 bytes read as unsigned values, never numerically.
inline std::strong_ordering compare_text(std::string_view a, std::string_view b) noexcept {
  return a.compare(b) <=> 0;
}

// A list of texts that keeps all of them in one heap block, so that a list costs one allocation
// and a text its bytes and a byte or so, however many texts there are. The block holds a header,
// then each text as its length (LEB128: one byte below 128) followed by its bytes, and at its far
// end, growing down, where every kIndexStride-th text starts: indexing hops over fewer than
// kIndexStride texts, and iteration reads the texts in order. The empty list allocates nothing.
// The texts read as std::string_view, valid until the list changes.
class TextList {
 public:
  static constexpr std::size_t kIndexStride = 32;

  class const_iterator;
  using iterator = const_iterator;
  using value_type = std::string_view;
  using size_type = std::size_t;

  TextList() noexcept = default;
  TextList(std::initializer_list<std::string_view> texts);
  TextList(const TextList& other);
  TextList(TextList&& other) noexcept : block_(std::exchange(other.block_, empty_block())) {}
  TextList& operator=(const TextList& other) {
    if (this != &other) *this = TextList(other);
    return *this;
  }
  TextList& operator=(TextList&& other) noexcept {
    std::swap(block_, other.block_);
    return *this;
  }
  ~TextList() { release(); }

  // The `count` texts of `dotted`, which are non-empty, hold no '.', and are separated by single
  // '.' (as the grammar's lists are); `stored` is their stored_size(). One exact allocation.
  static TextList from_dotted(std::string_view dotted, std::size_t count, std::size_t stored);

  // The bytes a text of `size` bytes takes in the block: its length and itself.
  static constexpr std::size_t stored_size_of(std::size_t size) noexcept {
    std::size_t length_bytes = 1;
    for (std::size_t rest = size >> 7; rest != 0; rest >>= 7)
      ++length_bytes;
    return length_bytes + size;
  }

  std::size_t size() const noexcept { return block_->count; }
  bool empty() const noexcept { return block_->count == 0; }
  // The bytes the texts take with their lengths, the index left out.
  std::size_t stored_size() const noexcept { return block_->used; }

  const_iterator begin() const noexcept;
  const_iterator end() const noexcept;
  std::string_view operator[](std::size_t index) const noexcept;

  void push_back(std::string_view text);

  // The stored form is canonical, so equal lists hold equal bytes.
  friend bool operator==(const TextList& a, const TextList& b) noexcept {
    return a.block_->used == b.block_->used && std::memcmp(a.data(), b.data(), a.block_->used) == 0;
  }

 private:
  friend class OptionalTextList;

  struct Block {
    std::size_t count = 0;     // texts
    std::size_t used = 0;      // bytes of lengths and texts from the start of the data
    std::size_t capacity = 0;  // bytes after the header, data and index together
  };
  static constexpr std::size_t kIndexEntry = sizeof(std::uint64_t);

  // An OptionalTextList's way of saying "absent": no block at all. No public operation ever sees
  // such a list.
  struct Absent {};
  explicit TextList(Absent) noexcept : block_(nullptr) {}

  static Block* empty_block() noexcept { return &shared_empty_; }
  static std::size_t index_entries(std::size_t count) noexcept {
    return count == 0 ? 0 : (count - 1) / kIndexStride;
  }

  // Reading a stored text at `at`: its view, and where the next one starts.
  static std::string_view read_text(const char* at) noexcept {
    const auto lead = static_cast<unsigned char>(*at);
    if (lead < 0x80) return {at + 1, lead};
    return read_long_text(at);
  }
  static const char* skip_text(const char* at) noexcept {
    const std::string_view text = read_text(at);
    return text.data() + text.size();
  }
  static std::string_view read_long_text(const char* at) noexcept;
  static char* write_text(char* at, std::string_view text) noexcept;
  void fill_from_short_texts(std::string_view dotted) noexcept;
  // Where the text whose stored form holds byte `offset` (below stored_size()) starts.
  std::size_t start_of_text_holding(std::size_t offset) const noexcept;
  void fill_from_any_texts(std::string_view dotted) noexcept;
  friend std::strong_ordering compare_lists(const TextList& a, const TextList& b) noexcept;

  const char* data() const noexcept { return reinterpret_cast<const char*>(block_ + 1); }
  char* data() noexcept { return reinterpret_cast<char*>(block_ + 1); }
  // Index entry k (from 1) tells where text k * kIndexStride starts.
  std::uint64_t index_entry(std::size_t k) const noexcept {
    std::uint64_t offset;
    std::memcpy(&offset, data() + block_->capacity - k * kIndexEntry, kIndexEntry);
    return offset;
  }
  void set_index_entry(std::size_t k, std::uint64_t offset) noexcept {
    std::memcpy(data() + block_->capacity - k * kIndexEntry, &offset, kIndexEntry);
  }

  // A block with room for `capacity` bytes of data and index; throws std::bad_alloc.
  static Block* allocate(std::size_t capacity);
  // Moves the list into a block with room for `extra` more bytes than it holds.
  void grow(std::size_t extra);
  void release() noexcept {
    if (block_ != nullptr && block_ != empty_block()) ::operator delete(block_);
  }

  static Block shared_empty_;
  Block* block_ = empty_block();
};

inline constinit TextList::Block TextList::shared_empty_{};

class TextList::const_iterator {
 public:
  using iterator_concept = std::forward_iterator_tag;
  using iterator_category = std::input_iterator_tag;  // it yields views, not references
  using value_type = std::string_view;
  using difference_type = std::ptrdiff_t;
  using reference = std::string_view;

  const_iterator() noexcept = default;
  explicit const_iterator(const char* at) noexcept : at_(at) {}

  std::string_view operator*() const noexcept { return read_text(at_); }
  const_iterator& operator++() noexcept {
    at_ = skip_text(at_);
    return *this;
  }
  const_iterator operator++(int) noexcept {
    const const_iterator before = *this;
    ++*this;
    return before;
  }
  friend bool operator==(const_iterator a, const_iterator b) noexcept { return a.at_ == b.at_; }

 private:
  const char* at_ = nullptr;
};

inline TextList::const_iterator TextList::begin() const noexcept {
  return const_iterator(data());
}

inline TextList::const_iterator TextList::end() const noexcept {
  return const_iterator(data() + block_->used);
}

inline std::string_view TextList::operator[](std::size_t index) const noexcept {
  const char* at = data();
  if (index >= kIndexStride) {
    at += index_entry(index / kIndexStride);
    index %= kIndexStride;
  }
  for (; index > 0; --index)
    at = skip_text(at);
  return read_text(at);
}

// Element-wise text order; a proper prefix sorts first.
std::strong_ordering compare_lists(const TextList& a, const TextList& b) noexcept;

// A list that may be absent, in the space of one pointer: absent is a list without a block, so
// a SemVer without release-candidate or metadata identifiers stays small and allocation-free,
// and present-but-empty is the shared empty list. Copies are deep.
class OptionalTextList {
 public:
  OptionalTextList() noexcept : list_(TextList::Absent{}) {}
  explicit OptionalTextList(TextList list) noexcept : list_(std::move(list)) {}
  OptionalTextList(const OptionalTextList& other)
      : list_(other.has_value() ? TextList(other.list_) : TextList(TextList::Absent{})) {}
  OptionalTextList(OptionalTextList&& other) noexcept : list_(TextList::Absent{}) {
    std::swap(list_.block_, other.list_.block_);
  }
  OptionalTextList& operator=(OptionalTextList other) noexcept {
    std::swap(list_.block_, other.list_.block_);
    return *this;
  }
  ~OptionalTextList() = default;

  bool has_value() const noexcept { return list_.block_ != nullptr; }
  const TextList* get() const noexcept { return has_value() ? &list_ : nullptr; }
  TextList* get() noexcept { return has_value() ? &list_ : nullptr; }
  const TextList& operator*() const noexcept { return list_; }
  TextList& operator*() noexcept { return list_; }
  const TextList* operator->() const noexcept { return &list_; }
  TextList* operator->() noexcept { return &list_; }

  void reset() noexcept { *this = OptionalTextList(); }
  // Makes the list present and empty, replacing any previous content.
  TextList& emplace() noexcept {
    list_ = TextList();
    return list_;
  }

 private:
  TextList list_;
};

}  // namespace kolvi::version
