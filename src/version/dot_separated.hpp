// DotSeparated: a version made of dot-separated parts, with its order, text forms and grammar.
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

struct DotSeparated {
  static constexpr std::string_view kind_name = "DotSeparated";

  TextList parts;
};

inline bool operator==(const DotSeparated& a, const DotSeparated& b) noexcept {
  return a.parts == b.parts;
}
inline std::strong_ordering operator<=>(const DotSeparated& a, const DotSeparated& b) noexcept {
  return compare_lists(a.parts, b.parts);
}

void append_display(std::string& out, const DotSeparated& v);
void append_debug(std::string& out, const DotSeparated& v);

// Reads (or with a null `out`, checks) a DotSeparated to the end of the text, as SemVer's does.
bool parse_into(grammar::Cursor& cursor, DotSeparated* out);
ParseResult<DotSeparated> parse_dot_separated(std::string_view text);
ParseResult<void> check_dot_separated(std::string_view text);

}  // namespace kolvi::version
