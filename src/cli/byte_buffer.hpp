// A growable byte buffer that is not zero-filled, so reading into its spare room touches no more
// memory than the bytes that arrive, and that grows without holding two copies of its bytes.
#pragma once

#include <cstddef>
#include <string_view>

namespace kolvi::cli {

class ByteBuffer {
 public:
  ByteBuffer() noexcept = default;
  ByteBuffer(const ByteBuffer&) = delete;
  ByteBuffer& operator=(const ByteBuffer&) = delete;
  ~ByteBuffer();

  char* data() noexcept { return data_; }
  const char* data() const noexcept { return data_; }
  std::size_t size() const noexcept { return size_; }
  std::string_view view() const noexcept { return {data_, size_}; }

  // Makes room for at least `extra` bytes past the end, growing geometrically. Throws
  // std::bad_alloc when the system has no more memory to give.
  void reserve_extra(std::size_t extra);
  // Room past the end for the caller to fill, then commit() to take the bytes it wrote.
  char* spare() noexcept { return data_ + size_; }
  std::size_t spare_size() const noexcept { return capacity_ - size_; }
  void commit(std::size_t count) noexcept { size_ += count; }

  void push_back(char byte) {
    reserve_extra(1);
    data_[size_++] = byte;
  }
  // Drops the first `count` bytes, moving the rest to the front.
  void discard_front(std::size_t count) noexcept;

 private:
  void grow_mapped(std::size_t capacity);
  void release() noexcept;

  char* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
  bool mapped_ = false;  // data_ is a mapping of its own rather than a heap block
};

}  // namespace kolvi::cli
