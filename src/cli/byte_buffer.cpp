// Growth of byte buffers: small ones by realloc, large ones as mappings of their own that grow
// by mremap, so that the pages move instead of being copied and a freed buffer goes straight
// back to the system.

#include "cli/byte_buffer.hpp"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace kolvi::cli {

namespace {

// From here on a buffer is a mapping of its own, backed by huge pages where the kernel allows
// (see huge_pages.hpp). Below it, a copy on growth costs little; above it, a heap block that
// cannot grow in place would be copied, and for a while both copies would be resident.
constexpr std::size_t kMappedFrom = std::size_t{1} << 20;
constexpr std::size_t kPage = std::size_t{1} << 12;

std::size_t whole_pages(std::size_t size) noexcept {
  return (size + kPage - 1) & ~(kPage - 1);
}

}  // namespace

ByteBuffer::~ByteBuffer() {
  release();
}

void ByteBuffer::release() noexcept {
  if (mapped_) {
    ::munmap(data_, capacity_);
  } else {
    std::free(data_);
  }
}

void ByteBuffer::reserve_extra(std::size_t extra) {
  if (capacity_ - size_ >= extra) return;
  if (extra > SIZE_MAX / 2 - size_) throw std::bad_alloc();
  const std::size_t wanted = std::max(size_ + extra, capacity_ + capacity_ / 2);
  if (wanted < kMappedFrom) {
    char* grown = static_cast<char*>(std::realloc(data_, wanted));
    if (grown == nullptr) throw std::bad_alloc();
    data_ = grown;
    capacity_ = wanted;
  } else {
    grow_mapped(whole_pages(wanted));
  }
}

void ByteBuffer::grow_mapped(std::size_t capacity) {
  void* grown = mapped_ ? ::mremap(data_, capacity_, capacity, MREMAP_MAYMOVE)
                        : ::mmap(nullptr, capacity, PROT_READ | PROT_WRITE,
                                 MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (grown == MAP_FAILED) throw std::bad_alloc();
  if (!mapped_) {
    // The whole mapping, so that it stays one mapping that mremap can grow: advice on a part
    // of it would split it.
    ::madvise(grown, capacity, MADV_HUGEPAGE);
    if (size_ != 0) std::memcpy(grown, data_, size_);
    std::free(data_);
    mapped_ = true;
  }
  data_ = static_cast<char*>(grown);
  capacity_ = capacity;
}

void ByteBuffer::discard_front(std::size_t count) noexcept {
  if (count == 0) return;
  std::memmove(data_, data_ + count, size_ - count);
  size_ -= count;
}

}  // namespace kolvi::cli
