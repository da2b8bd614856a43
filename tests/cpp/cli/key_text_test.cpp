// Keys as hex and base64: known encodings, every byte value, and long keys in pieces.
#include "cli/key_text.hpp"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace kolvi::cli {
namespace {

using namespace std::string_view_literals;

TEST(KeyText, KnownEncodings) {
  const struct {
    std::string_view bytes;
    std::string_view hex;
    std::string_view base64;
  } cases[] = {
      {""sv, "", ""},
      {"\x00"sv, "00", "AA=="},
      {"\x01\x00"sv, "0100", "AQA="},
      {"\x01\x00\x01"sv, "010001", "AQAB"},
      {"\xff\xfe\xfd\xfc"sv, "fffefdfc", "//79/A=="},
      {"Man"sv, "4d616e", "TWFu"},
      {"\xfb\xef\xbe"sv, "fbefbe", "++++"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.hex);
    // A byte before the key: the writers append, they do not overwrite.
    std::string hex = "<";
    append_key_text(hex, c.bytes, KeyFormat::hex);
    EXPECT_EQ(std::string_view(hex).substr(1), c.hex);
    std::string base64 = "<";
    append_key_text(base64, c.bytes, KeyFormat::base64);
    EXPECT_EQ(std::string_view(base64).substr(1), c.base64);
    EXPECT_EQ(hex[0], '<');
    EXPECT_EQ(base64[0], '<');
  }
}

// Hex keeps the order of the bytes, so that a plain sort of the text orders the keys.
TEST(KeyText, HexOfEveryByteSortsLikeTheByte) {
  std::string previous;
  for (unsigned byte = 0; byte < 256; ++byte) {
    std::string hex;
    append_hex(hex, std::string(1, static_cast<char>(byte)));
    ASSERT_EQ(hex.size(), 2U);
    if (byte > 0) {
      EXPECT_LT(previous, hex);
    }
    previous = hex;
  }
}

// key's pieces join into the text of the whole key, padding only at the end.
TEST(KeyText, PiecesJoinIntoTheWhole) {
  std::string key;
  for (std::size_t i = 0; i < 2 * kKeyPieceBytes + 2; ++i)
    key += static_cast<char>(i * 7);
  for (const KeyFormat format : {KeyFormat::hex, KeyFormat::base64}) {
    std::string whole;
    append_key_text(whole, key, format);
    std::string pieces;
    for (std::size_t start = 0; start < key.size(); start += kKeyPieceBytes)
      append_key_text(pieces, std::string_view(key).substr(start, kKeyPieceBytes), format);
    EXPECT_EQ(pieces, whole);
  }
}

}  // namespace
}  // namespace kolvi::cli
