// Other: any identifier used as a version, with its order, text forms and grammar.
#pragma once

#include <compare>
#include <string>
#include <string_view>

#include "version/parse_result.hpp"
#include "version/text_form.hpp"
#include "version/text_list.hpp"

namespace kolvi::version {

namespace grammar {
class Cursor;
}

struct Other {
  static constexpr std::string_view kind_name = "Other";

  std::string value;
};

inline bool operator==(const Other& a, const Other& b) noexcept {
  return a.value == b.value;
}
inline std::strong_ordering operator<=>(const Other& a, const Other& b) noexcept {
  return compare_text(a.value, b.value);
}

void append_display(std::string& out, const Other& v);
void append_debug(std::string& out, const Other& v);

// Reads (or with a null `out`, checks) an Other from the start of the cursor's text to its end,
// as SemVer's does.
bool parse_into(grammar::Cursor& cursor, Other* out);
ParseResult<Other> parse_other(std::string_view text);
ParseResult<void> check_other(std::string_view text);

}  // namespace kolvi::version
