// Growth by realloc: for large blocks the C library can move the pages instead of copying them.

#include "cli/byte_buffer.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "base/fatal.hpp"
#include "cli/huge_pages.hpp"

namespace kolvi::cli {

ByteBuffer::~ByteBuffer() {
  std::free(data_);
}

void ByteBuffer::reserve_extra(std::size_t extra) {
  if (capacity_ - size_ >= extra) return;
  if (extra > SIZE_MAX / 2 - size_) base::fatal("byte buffer size overflows");
  const std::size_t wanted = std::max(size_ + extra, capacity_ + capacity_ / 2);
  char* grown = static_cast<char*>(std::realloc(data_, wanted));
  if (grown == nullptr) base::fatal("out of memory for input bytes");
  data_ = grown;
  capacity_ = wanted;
  advise_huge_pages(data_ + size_, capacity_ - size_);
}

void ByteBuffer::discard_front(std::size_t count) noexcept {
  if (count == 0) return;
  std::memmove(data_, data_ + count, size_ - count);
  size_ -= count;
}

}  // namespace kolvi::cli
