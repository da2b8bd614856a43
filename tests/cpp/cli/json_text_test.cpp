// JSON strings: every byte that JSON requires escaped is, and nothing else changes.
#include "cli/json_text.hpp"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace kolvi::cli {
namespace {

using namespace std::string_view_literals;

TEST(JsonString, Escapes) {
  const struct {
    std::string_view text;
    std::string_view json;
  } cases[] = {
      {"", R"("")"},
      {"1.2.3", R"("1.2.3")"},
      {"say \"x\"", R"("say \"x\"")"},
      {"a\\b", R"("a\\b")"},
      {"\n\r\t\b\f", R"("\n\r\t\b\f")"},
      {"\x00\x01\x1f"sv, R"("\u0000\u0001\u001f")"},
      {"\x7f", "\"\x7f\""},
      {"/", R"("/")"},
      {"é ╰── 𝄞", "\"é ╰── 𝄞\""},
      {"x\x1b[31my", R"("x\u001b[31my")"},
      // Escapes before, at and after the boundaries of the eight- and sixteen-byte blocks scanned
      // at once, and bytes from 0x80 up, which an unsigned compare must not take for controls.
      {"abcdefg\"", R"("abcdefg\"")"},
      {"abcdefgh\\", R"("abcdefgh\\")"},
      {"abcdefghijklmno\n!", R"("abcdefghijklmno\n!")"},
      {"\x1f\"\\abcdefgh\t", R"("\u001f\"\\abcdefgh\t")"},
      {"ééééééé ~~~~~~~~ ╰───────", "\"ééééééé ~~~~~~~~ ╰───────\""},
      {"abcdefghijklmnop\"", R"("abcdefghijklmnop\"")"},
      {"abcdefghijklmnopqrstuvwxyz01234\x1f", R"("abcdefghijklmnopqrstuvwxyz01234\u001f")"},
      {"\xe2\x95\xb0\xe2\x94\x80\xe2\x94\x80\xe2\x94\x80\xe2\x94\x80\xe2\x94\x80\n",
       "\"\xe2\x95\xb0\xe2\x94\x80\xe2\x94\x80\xe2\x94\x80\xe2\x94\x80\xe2\x94\x80\\n\""},
      {"\x80\xff\x9f\xa0\xdc\xa2\xc2\xa1", "\"\x80\xff\x9f\xa0\xdc\xa2\xc2\xa1\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.json);
    // A byte before the string: the writer appends, it does not overwrite.
    std::string out = "[";
    append_json_string(out, c.text);
    EXPECT_EQ(std::string_view(out).substr(1), c.json);
    EXPECT_EQ(out[0], '[');
  }
}

// Texts that are mostly escapes, so the room made for the string grows several times.
TEST(JsonString, TextsOfEscapesOnly) {
  for (const std::size_t count : {1U, 15U, 16U, 17U, 100U, 1000U}) {
    SCOPED_TRACE(count);
    std::string out = "x";
    append_json_string(out, std::string(count, '\x01') + std::string(count, '"'));
    std::string expected = "x\"";
    for (std::size_t i = 0; i < count; ++i)
      expected += "\\u0001";
    for (std::size_t i = 0; i < count; ++i)
      expected += "\\\"";
    EXPECT_EQ(out, expected + '"');
  }
}

}  // namespace
}  // namespace kolvi::cli
