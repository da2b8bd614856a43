// The rc tie-break of SemVer's order, and its text forms.
#include "version/semver.hpp"

#include "base/decimal.hpp"
#include "version/text_form.hpp"

namespace kolvi::version {

namespace {

void append_optional_list_debug(std::string& out, const OptionalTextList& list) {
  if (!list.has_value()) {
    out += "None";
    return;
  }
  out += "Some(";
  text_form::append_quoted_list(out, *list);
  out += ')';
}

std::size_t optional_joined_size(const OptionalTextList& list) noexcept {
  return list.has_value() ? 1 + text_form::joined_size(*list) : 0;
}

}  // namespace

bool same_rc(const OptionalTextList& a, const OptionalTextList& b) noexcept {
  if (a.has_value() != b.has_value()) return false;
  return !a.has_value() || *a == *b;
}

// A release has no rc and sorts above every pre-release of the same numbers.
std::strong_ordering compare_rc(const OptionalTextList& a, const OptionalTextList& b) noexcept {
  if (!a.has_value() || !b.has_value()) return b.has_value() <=> a.has_value();
  return compare_lists(*a, *b);
}

void append_display(std::string& out, const SemVer& v) {
  out.reserve(out.size() + 32 + optional_joined_size(v.rc) + optional_joined_size(v.meta));
  base::append_decimal(out, v.major);
  out += '.';
  base::append_decimal(out, v.minor);
  out += '.';
  base::append_decimal(out, v.patch);
  if (v.rc.has_value()) {
    out += '-';
    text_form::append_joined(out, *v.rc);
  }
  if (v.meta.has_value()) {
    out += '+';
    text_form::append_joined(out, *v.meta);
  }
}

void append_debug(std::string& out, const SemVer& v) {
  out.reserve(out.size() + 96 + 6 * optional_joined_size(v.rc) + 6 * optional_joined_size(v.meta));
  out += "SemVer { major: ";
  base::append_decimal(out, v.major);
  out += ", minor: ";
  base::append_decimal(out, v.minor);
  out += ", patch: ";
  base::append_decimal(out, v.patch);
  out += ", rc: ";
  append_optional_list_debug(out, v.rc);
  out += ", meta: ";
  append_optional_list_debug(out, v.meta);
  out += " }";
}

}  // namespace kolvi::version
