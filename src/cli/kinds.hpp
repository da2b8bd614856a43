// The kinds a text can be parsed as on the command line, and the parse of one input that either
// yields the value or says why the input is invalid, exactly as the Python classes would.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "text/utf8.hpp"
#include "version/version.hpp"

namespace kolvi::cli {

enum class Kind : std::uint8_t { version, semver, dot_separated, other };

// "version", "semver", "dot-separated" or "other".
std::optional<Kind> kind_named(std::string_view name) noexcept;

// A kind's value, parse operation and report source name.
template <class V, version::ParseResult<V> (*kParse)(std::string_view),
          const std::string_view& kSourceName>
struct KindTraits {
  using Value = V;
  static constexpr std::string_view source_name = kSourceName;
  static version::ParseResult<V> parse(std::string_view text) { return kParse(text); }
};

using VersionKind =
    KindTraits<version::Version, version::parse_version, version::version_source_name>;
using SemVerKind = KindTraits<version::SemVer, version::parse_semver, version::semver_source_name>;
using DotSeparatedKind = KindTraits<version::DotSeparated, version::parse_dot_separated,
                                    version::dot_separated_source_name>;
using OtherKind = KindTraits<version::Other, version::parse_other, version::other_source_name>;

// Calls `visitor` with the traits object of `kind`.
template <class Visitor>
decltype(auto) visit_kind(Kind kind, Visitor&& visitor) {
  switch (kind) {
    case Kind::semver:
      return visitor(SemVerKind{});
    case Kind::dot_separated:
      return visitor(DotSeparatedKind{});
    case Kind::other:
      return visitor(OtherKind{});
    case Kind::version:
      break;
  }
  return visitor(VersionKind{});
}

// Where an input line came from. Its messages begin with "NAME:LINE: ".
struct LineLocation {
  std::string_view name;
  std::size_t number = 0;  // counted from 1
};

// Appends the message of an input that is not valid UTF-8.
void append_not_utf8(std::string& out, const LineLocation* where);

// Appends the report of a failed parse of `text`, which is valid UTF-8: the text the Python
// class would raise.
void append_report(std::string& out, std::span<const version::ParseError> errors,
                   std::string_view text, std::string_view source_name, const LineLocation* where);

// parse_input for text already known to be valid UTF-8.
template <class K>
std::optional<typename K::Value> parse_utf8_input(std::string_view text, const LineLocation* where,
                                                  std::string& complaint) {
  auto result = K::parse(text);
  if (result.ok()) return std::move(result.value());
  append_report(complaint, result.errors(), text, K::source_name, where);
  return std::nullopt;
}

// The value of `text` as kind K, or nothing after appending to `complaint` why it is invalid.
// `where` is null for texts that are not lines of an input (command-line operands).
template <class K>
std::optional<typename K::Value> parse_input(std::string_view text, const LineLocation* where,
                                             std::string& complaint) {
  // The Python classes only ever see text, so bytes that are not UTF-8 get no report.
  if (!utf8::is_valid(text)) {
    append_not_utf8(complaint, where);
    return std::nullopt;
  }
  return parse_utf8_input<K>(text, where, complaint);
}

}  // namespace kolvi::cli
