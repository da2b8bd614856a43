// The blocks of text lists: building, copying and growing them, and their order.
#include "version/text_list.hpp"

#include <algorithm>
#include <new>

namespace kolvi::version {

namespace {

constexpr std::size_t kMinimumCapacity = 40;  // a block of 64 bytes with its header

std::size_t rounded_to_entries(std::size_t bytes) noexcept {
  return (bytes + 7) & ~std::size_t{7};
}

}  // namespace

TextList::TextList(std::initializer_list<std::string_view> texts) {
  for (const std::string_view text : texts)
    push_back(text);
}

TextList::TextList(const TextList& other) {
  if (other.empty()) return;
  const std::size_t used = other.block_->used;
  const std::size_t index_bytes = index_entries(other.size()) * kIndexEntry;
  block_ = allocate(rounded_to_entries(used) + index_bytes);
  block_->count = other.block_->count;
  block_->used = used;
  std::memcpy(data(), other.data(), used);
  std::memcpy(data() + block_->capacity - index_bytes,
              other.data() + other.block_->capacity - index_bytes, index_bytes);
}

TextList TextList::from_dotted(std::string_view dotted, std::size_t count, std::size_t stored) {
  TextList list;
  if (count == 0) return list;
  list.block_ = allocate(rounded_to_entries(stored) + index_entries(count) * kIndexEntry);
  list.block_->count = count;
  list.block_->used = stored;
  char* out = list.data();
  const char* at = dotted.data();
  const char* const end = at + dotted.size();
  for (std::size_t i = 0; i < count; ++i) {
    const char* text_end = end;
    if (i + 1 < count) text_end = static_cast<const char*>(std::memchr(at, '.', end - at));
    if (i != 0 && i % kIndexStride == 0)
      list.set_index_entry(i / kIndexStride, static_cast<std::uint64_t>(out - list.data()));
    out = write_text(out, std::string_view(at, static_cast<std::size_t>(text_end - at)));
    at = text_end + 1;
  }
  return list;
}

void TextList::push_back(std::string_view text) {
  const std::size_t count = size();
  const bool starts_stride = count != 0 && count % kIndexStride == 0;
  const std::size_t needed = stored_size_of(text.size()) + (starts_stride ? kIndexEntry : 0);
  const std::size_t room = block_->capacity - block_->used - index_entries(count) * kIndexEntry;
  if (room < needed) grow(needed);
  if (starts_stride) set_index_entry(count / kIndexStride, block_->used);
  write_text(data() + block_->used, text);
  block_->used += stored_size_of(text.size());
  ++block_->count;
}

std::string_view TextList::read_long_text(const char* at) noexcept {
  std::size_t size = 0;
  unsigned shift = 0;
  unsigned char byte = 0;
  do {
    byte = static_cast<unsigned char>(*at++);
    size |= std::size_t{byte & 0x7FU} << shift;
    shift += 7;
  } while (byte >= 0x80);
  return {at, size};
}

char* TextList::write_text(char* at, std::string_view text) noexcept {
  std::size_t size = text.size();
  for (; size >= 0x80; size >>= 7)
    *at++ = static_cast<char>(0x80 | (size & 0x7F));
  *at++ = static_cast<char>(size);
  if (!text.empty()) std::memcpy(at, text.data(), text.size());
  return at + text.size();
}

TextList::Block* TextList::allocate(std::size_t capacity) {
  if (capacity > SIZE_MAX - sizeof(Block)) throw std::bad_alloc();
  auto* block = static_cast<Block*>(::operator new(sizeof(Block) + capacity));
  return new (block) Block{0, 0, capacity};
}

void TextList::grow(std::size_t extra) {
  const std::size_t index_bytes = index_entries(size()) * kIndexEntry;
  const std::size_t held = block_->used + index_bytes;
  if (extra > SIZE_MAX / 2 - held) throw std::bad_alloc();
  const std::size_t capacity = rounded_to_entries(
      std::max({held + extra, block_->capacity + block_->capacity / 2, kMinimumCapacity}));
  Block* grown = allocate(capacity);
  grown->count = block_->count;
  grown->used = block_->used;
  char* grown_data = reinterpret_cast<char*>(grown + 1);
  std::memcpy(grown_data, data(), block_->used);
  std::memcpy(grown_data + capacity - index_bytes, data() + block_->capacity - index_bytes,
              index_bytes);
  release();
  block_ = grown;
}

std::strong_ordering compare_lists(const TextList& a, const TextList& b) noexcept {
  auto a_text = a.begin();
  auto b_text = b.begin();
  for (; a_text != a.end() && b_text != b.end(); ++a_text, ++b_text) {
    if (const auto order = compare_text(*a_text, *b_text); order != 0) return order;
  }
  return a.size() <=> b.size();
}

}  // namespace kolvi::version
