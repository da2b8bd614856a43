// SemVer: a semantic version, with its order, text forms and parse.
#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

#include "version/parse_result.hpp"
#include "version/text_form.hpp"
#include "version/text_list.hpp"

namespace kolvi::version {

// A semantic version. Absent and present-but-empty rc/meta are distinct values.
struct SemVer {
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint32_t patch = 0;
  OptionalTextList rc;
  OptionalTextList meta;
};

// meta never takes part in equality or order.
bool operator==(const SemVer& a, const SemVer& b) noexcept;
std::strong_ordering operator<=>(const SemVer& a, const SemVer& b) noexcept;

void append_display(std::string& out, const SemVer& v);
void append_debug(std::string& out, const SemVer& v);

inline constexpr std::string_view semver_source_name = "kolvi::package::version::semver::SemVer";
ParseResult<SemVer> parse_semver(std::string_view text);

}  // namespace kolvi::version
