// Byte buffers: bytes kept across growth from a heap block into a mapping of its own and on
// within it, dropping bytes at the front, and a growth the system cannot give.
#include "cli/byte_buffer.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <new>
#include <string>

namespace kolvi::cli {
namespace {

void append(ByteBuffer& buffer, const std::string& bytes) {
  buffer.reserve_extra(bytes.size());
  std::memcpy(buffer.spare(), bytes.data(), bytes.size());
  buffer.commit(bytes.size());
}

TEST(ByteBuffer, KeepsItsBytesWhileGrowingIntoAMappingAndOn) {
  ByteBuffer buffer;
  std::string expected;
  for (int block = 0; block < 48; ++block) {
    const std::string bytes(100000 + block, static_cast<char>('a' + block % 26));
    append(buffer, bytes);
    expected += bytes;
    ASSERT_EQ(buffer.view(), expected) << block;
  }
  buffer.discard_front(12345);
  EXPECT_EQ(buffer.view(), std::string_view(expected).substr(12345));
  buffer.push_back('!');
  EXPECT_EQ(buffer.view().back(), '!');
}

TEST(ByteBuffer, AGrowthBeyondMemoryThrowsBadAlloc) {
  ByteBuffer buffer;
  append(buffer, "kept");
  EXPECT_THROW(buffer.reserve_extra(SIZE_MAX / 4), std::bad_alloc);
  EXPECT_THROW(buffer.reserve_extra(std::size_t{1} << 50), std::bad_alloc);
  EXPECT_EQ(buffer.view(), "kept");
}

}  // namespace
}  // namespace kolvi::cli
