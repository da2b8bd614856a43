// UTF-8 validation against the decoder rules: every kind of ill-formed sequence is found where
// it starts, past runs of ASCII of any length; and decode undoes append.
#include "text/utf8.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

namespace kolvi::utf8 {
namespace {

using namespace std::string_view_literals;

struct ValidationCase {
  std::string_view name;
  std::string_view bytes;
  std::optional<Fault> fault;
};

const ValidationCase kValidationCases[] = {
    {"empty", ""sv, std::nullopt},
    {"ascii with NUL", "a\0b"sv, std::nullopt},
    {"two, three and four bytes", "\xc3\xa9\xe6\x97\xa5\xf0\x9f\x98\x80"sv, std::nullopt},
    {"edges of the code space", "\xc2\x80\xed\x9f\xbf\xee\x80\x80\xf4\x8f\xbf\xbf"sv, std::nullopt},
    {"lone continuation", "ab\x80"sv, Fault{2, 1}},
    {"C0 overlong lead", "\xc0\xaf"sv, Fault{0, 1}},
    {"C1 overlong lead", "\xc1\xbf"sv, Fault{0, 1}},
    {"lead past F4", "\xf5\x80\x80\x80"sv, Fault{0, 1}},
    {"FF", "\xff"sv, Fault{0, 1}},
    {"three-byte overlong", "\xe0\x9f\xbf"sv, Fault{0, 1}},
    {"surrogate", "\xed\xa0\x80"sv, Fault{0, 1}},
    {"four-byte overlong", "\xf0\x8f\xbf\xbf"sv, Fault{0, 1}},
    {"past U+10FFFF", "\xf4\x90\x80\x80"sv, Fault{0, 1}},
    {"bad third byte", "x\xe2\x82("sv, Fault{1, 2}},
    {"bad fourth byte", "\xf0\x9f\x98z"sv, Fault{0, 3}},
    {"ends inside two bytes", "ok\xc3"sv, Fault{2, 0}},
    {"ends inside four bytes", "\xf0\x9f\x98"sv, Fault{0, 0}},
    {"after a whole ASCII word", "01234567\xff"sv, Fault{8, 1}},
    {"after a word and a tail", "0123456789\xff"sv, Fault{10, 1}},
    {"between ASCII words",
     "0123456\xc3\xa9"
     "abcdefgh\x80"sv,
     Fault{17, 1}},
};

TEST(Utf8Validation, FindsTheFirstFault) {
  for (const ValidationCase& c : kValidationCases) {
    SCOPED_TRACE(c.name);
    const std::optional<Fault> fault = first_fault(c.bytes);
    ASSERT_EQ(fault.has_value(), c.fault.has_value());
    EXPECT_EQ(is_valid(c.bytes), !c.fault.has_value());
    if (!fault) continue;
    EXPECT_EQ(fault->valid_up_to, c.fault->valid_up_to);
    EXPECT_EQ(fault->length, c.fault->length);
  }
}

TEST(Utf8Validation, AgreesWithEncodingOverTheCodeSpace) {
  for (char32_t c = 0; c <= 0x10FFFF; c += (c < 0x800 ? 1 : 0x3F)) {
    std::string text;
    append(text, c);
    const bool surrogate = c >= 0xD800 && c <= 0xDFFF;
    EXPECT_EQ(is_valid(text), !surrogate) << static_cast<unsigned>(c);
    if (surrogate) continue;
    const Decoded decoded = decode(text, 0);
    EXPECT_EQ(decoded.code_point, c);
    EXPECT_EQ(decoded.length, text.size());
  }
}

}  // namespace
}  // namespace kolvi::utf8
