// Kind names and the messages of invalid inputs.

#include "cli/kinds.hpp"

#include "base/decimal.hpp"
#include "diagnostics/report.hpp"
#include "text/utf8.hpp"

namespace kolvi::cli {

namespace {

void append_location(std::string& out, const LineLocation* where) {
  if (where == nullptr) return;
  out += where->name;
  out += ':';
  base::append_decimal(out, where->number);
  out += ": ";
}

}  // namespace

std::optional<Kind> kind_named(std::string_view name) noexcept {
  if (name == "version") return Kind::version;
  if (name == "semver") return Kind::semver;
  if (name == "dot-separated") return Kind::dot_separated;
  if (name == "other") return Kind::other;
  return std::nullopt;
}

void append_not_utf8(std::string& out, const LineLocation* where) {
  append_location(out, where);
  out += "Error: not valid UTF-8\n";
}

void append_report(std::string& out, const std::vector<version::ParseError>& errors,
                   std::string_view text, std::string_view source_name, const LineLocation* where) {
  append_location(out, where);
  out += diagnostics::report_message(errors, text, source_name);
}

template <class K>
std::optional<typename K::Value> parse_input(std::string_view text, const LineLocation* where,
                                             std::string& complaint) {
  // The Python classes only ever see text, so bytes that are not UTF-8 get no report.
  if (!utf8::is_valid(text)) {
    append_not_utf8(complaint, where);
    return std::nullopt;
  }
  auto result = K::parse(text);
  if (result.ok()) return std::move(result.value());
  append_report(complaint, result.errors(), text, K::source_name, where);
  return std::nullopt;
}

template std::optional<version::Version> parse_input<VersionKind>(std::string_view,
                                                                  const LineLocation*,
                                                                  std::string&);
template std::optional<version::SemVer> parse_input<SemVerKind>(std::string_view,
                                                                const LineLocation*, std::string&);
template std::optional<version::DotSeparated> parse_input<DotSeparatedKind>(std::string_view,
                                                                            const LineLocation*,
                                                                            std::string&);
template std::optional<version::Other> parse_input<OtherKind>(std::string_view, const LineLocation*,
                                                              std::string&);

}  // namespace kolvi::cli
