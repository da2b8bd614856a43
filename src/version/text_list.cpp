// The blocks of text lists: building, copying and growing them, and their order.
#include "version/text_list.hpp"

#include <algorithm>
#include <bit>
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
  if (stored == dotted.size() + 1) {
    list.fill_from_short_texts(dotted);
  } else {
    list.fill_from_any_texts(dotted);
  }
  return list;
}

// Every text shorter than 128 bytes, so each length takes one byte: the stored form is the dotted
// text with a length byte before it and each dot replaced by the length of the text after it.
void TextList::fill_from_short_texts(std::string_view dotted) noexcept {
  char* const first = data();
  std::memcpy(first + 1, dotted.data(), dotted.size());
  char* const end = first + 1 + dotted.size();
  char* length = first;
  std::size_t index = 0;
  for (char* at = first + 1; at != end; ++at) {
    if (*at != '.') continue;
    *length = static_cast<char>(at - length - 1);
    length = at;
    if (++index % kIndexStride == 0)
      set_index_entry(index / kIndexStride, static_cast<std::uint64_t>(at - first));
  }
  *length = static_cast<char>(end - length - 1);
}

void TextList::fill_from_any_texts(std::string_view dotted) noexcept {
  char* out = data();
  const char* at = dotted.data();
  const char* const end = at + dotted.size();
  for (std::size_t i = 0; i < block_->count; ++i) {
    const char* text_end = end;
    if (i + 1 < block_->count) text_end = static_cast<const char*>(std::memchr(at, '.', end - at));
    if (i != 0 && i % kIndexStride == 0)
      set_index_entry(i / kIndexStride, static_cast<std::uint64_t>(out - data()));
    out = write_text(out, std::string_view(at, static_cast<std::size_t>(text_end - at)));
    at = text_end + 1;
  }
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

namespace {

// Where two byte runs of `size` bytes first differ, or `size`: a word at a time.
std::size_t first_difference(const char* a, const char* b, std::size_t size) noexcept {
  std::size_t at = 0;
  for (; at + sizeof(std::uint64_t) <= size; at += sizeof(std::uint64_t)) {
    std::uint64_t a_word;
    std::uint64_t b_word;
    std::memcpy(&a_word, a + at, sizeof a_word);
    std::memcpy(&b_word, b + at, sizeof b_word);
    if (a_word == b_word) continue;
    const std::uint64_t differing = a_word ^ b_word;
    const int bit = std::endian::native == std::endian::little ? std::countr_zero(differing)
                                                               : std::countl_zero(differing);
    return at + static_cast<std::size_t>(bit) / 8;
  }
  for (; at < size && a[at] == b[at]; ++at) {
  }
  return at;
}

}  // namespace

std::size_t TextList::start_of_text_holding(std::size_t offset) const noexcept {
  // The last index entry at or before the offset, then text by text.
  std::size_t entries = index_entries(size());
  std::size_t start = 0;
  std::size_t low = 1;
  while (low <= entries) {
    const std::size_t middle = low + (entries - low) / 2;
    if (index_entry(middle) <= offset) {
      start = index_entry(middle);
      low = middle + 1;
    } else {
      entries = middle - 1;
    }
  }
  for (;;) {
    const std::size_t next = static_cast<std::size_t>(skip_text(data() + start) - data());
    if (next > offset) return start;
    start = next;
  }
}

// The stored forms are canonical and prefix-free, so lists that begin with the same texts begin
// with the same bytes: the first differing byte lies in the first differing text, which starts
// at the same offset in both. A list whose bytes all begin the other's is a shorter list of the
// same texts.
std::strong_ordering compare_lists(const TextList& a, const TextList& b) noexcept {
  const std::size_t common = std::min(a.stored_size(), b.stored_size());
  const std::size_t differ = first_difference(a.data(), b.data(), common);
  if (differ == common) return a.stored_size() <=> b.stored_size();
  const std::size_t start = a.start_of_text_holding(differ);
  return compare_text(TextList::read_text(a.data() + start), TextList::read_text(b.data() + start));
}

}  // namespace kolvi::version
