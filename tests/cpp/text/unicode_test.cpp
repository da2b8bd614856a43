// The Unicode property lookups: ASCII fast paths, table boundaries and invariants.
#include "text/unicode.hpp"

#include <gtest/gtest.h>

#include "code_point.hpp"
#include "text/display_width.hpp"

namespace kolvi::unicode {
namespace {

struct PropertyCase {
  char32_t code_point;
  bool xid_start;
  bool xid_continue;
  bool grapheme_extend;
  bool printable;
};

// Boundaries of the ASCII fast path, the table lookups behind it, and each excluded category.
constexpr PropertyCase kPropertyCases[] = {
    // code point        start  cont.  extend printable
    {U'a', true, true, false, true},
    {U'Z', true, true, false, true},
    {U'_', false, true, false, true},
    {U'1', false, true, false, true},
    {U'-', false, false, false, true},
    {U' ', false, false, false, true},
    {U'~', false, false, false, true},
    {0x0000, false, false, false, false},
    {0x001F, false, false, false, false},
    {0x007F, false, false, false, false},
    {0x0080, false, false, false, false},  // C1 control, first code point past the fast path
    {0x00A0, false, false, false, false},  // Zs no-break space
    {0x00AD, false, false, false, false},  // Cf soft hyphen
    {0x00B7, false, true, false, true},    // middle dot continues but does not start
    {0x00E9, true, true, false, true},     // é
    {0x0300, false, true, true, true},     // Mn: printable, escaped as an extender
    {0x0301, false, true, true, true},     // combining acute accent
    {0x0378, false, false, false, false},  // unassigned (Cn)
    {0x0660, false, true, false, true},    // Arabic-Indic digit zero
    {0x200B, false, false, false, false},  // Cf zero width space
    {0x2028, false, false, false, false},  // Zl
    {0x2029, false, false, false, false},  // Zp
    {0x3000, false, false, false, false},  // Zs ideographic space
    {0x4E00, true, true, false, true},
    {0x9FFF, true, true, false, true},     // last of the CJK block, filled by a range entry
    {0xAC00, true, true, false, true},     // Hangul syllable, first of a range entry
    {0xD800, false, false, false, false},  // Cs
    {0xDFFF, false, false, false, false},  // Cs
    {0xE000, false, false, false, false},  // Co
    {0xFE0F, false, true, true, true},     // variation selector
    {0xFFFD, false, false, false, true},
    {0xFFFF, false, false, false, false},   // noncharacter
    {0x1F600, false, false, false, true},   // emoji
    {0x20000, true, true, false, true},     // CJK extension B
    {0xE0100, false, true, true, true},     // variation selector supplement
    {0xF0000, false, false, false, false},  // plane 15 private use
    {0x10FFFF, false, false, false, false},
    {0x110000, false, false, false, false},  // past the code space
    {0xFFFFFFFF, false, false, false, false},
};

TEST(UnicodeProperties, SpotChecks) {
  for (const PropertyCase& expected : kPropertyCases) {
    SCOPED_TRACE(code_point_name(expected.code_point));
    EXPECT_EQ(is_xid_start(expected.code_point), expected.xid_start);
    EXPECT_EQ(is_xid_continue(expected.code_point), expected.xid_continue);
    EXPECT_EQ(is_grapheme_extend(expected.code_point), expected.grapheme_extend);
    EXPECT_EQ(is_printable(expected.code_point), expected.printable);
  }
}

TEST(UnicodeProperties, AsciiFastPathMatchesCharacterClasses) {
  for (char32_t c = 0; c < 0x80; ++c) {
    SCOPED_TRACE(code_point_name(c));
    const bool letter = (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z');
    const bool digit = c >= U'0' && c <= U'9';
    EXPECT_EQ(is_xid_start(c), letter);
    EXPECT_EQ(is_xid_continue(c), letter || digit || c == U'_');
    EXPECT_FALSE(is_grapheme_extend(c));
    EXPECT_EQ(is_printable(c), c >= 0x20 && c != 0x7F);
    EXPECT_EQ(display_width(c), 1);
  }
}

// Every identifier start may also continue one, and no surrogate has any property. Walks the
// whole code space, so every table entry is read at least once.
TEST(UnicodeProperties, InvariantsHoldAcrossCodeSpace) {
  int violations = 0;
  for (char32_t c = 0; c <= 0x10FFFF && violations < 5; ++c) {
    const bool surrogate = c >= 0xD800 && c <= 0xDFFF;
    if ((is_xid_start(c) && !is_xid_continue(c))
        || (surrogate && (is_xid_continue(c) || is_printable(c) || is_grapheme_extend(c)))) {
      ADD_FAILURE() << code_point_name(c) << " breaks an invariant";
      ++violations;
    }
  }
}

}  // namespace
}  // namespace kolvi::unicode
