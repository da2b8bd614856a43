// SemVer: a semantic version, with its order, text forms and grammar.
#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

#include "version/parse_result.hpp"
#include "version/text_form.hpp"
#include "version/text_list.hpp"

namespace kolvi::version {

namespace grammar {
class Cursor;
}

// A semantic version. Absent and present-but-empty rc/meta are distinct values.
struct SemVer {
  static constexpr std::string_view kind_name = "SemVer";

  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint32_t patch = 0;
  OptionalTextList rc;
  OptionalTextList meta;
};

// The rc tie-break of equality and order: reached only when the three numbers agree.
bool same_rc(const OptionalTextList& a, const OptionalTextList& b) noexcept;
std::strong_ordering compare_rc(const OptionalTextList& a, const OptionalTextList& b) noexcept;

// meta never takes part in equality or order. The numbers decide nearly every comparison, so
// they are compared inline, where a sort's comparison loop sees them.
inline bool operator==(const SemVer& a, const SemVer& b) noexcept {
  return a.major == b.major && a.minor == b.minor && a.patch == b.patch && same_rc(a.rc, b.rc);
}
inline std::strong_ordering operator<=>(const SemVer& a, const SemVer& b) noexcept {
  if (const auto order = a.major <=> b.major; order != 0) return order;
  if (const auto order = a.minor <=> b.minor; order != 0) return order;
  if (const auto order = a.patch <=> b.patch; order != 0) return order;
  return compare_rc(a.rc, b.rc);
}

void append_display(std::string& out, const SemVer& v);
void append_debug(std::string& out, const SemVer& v);

// Reads a SemVer from the cursor's position to the end of the text into `out`, or only checks
// that one is there when `out` is null; false leaves the failure on the cursor's record.
// Version's parse runs it on the cursor it shares between the kinds.
bool parse_into(grammar::Cursor& cursor, SemVer* out);
ParseResult<SemVer> parse_semver(std::string_view text);
ParseResult<void> check_semver(std::string_view text);

}  // namespace kolvi::version
