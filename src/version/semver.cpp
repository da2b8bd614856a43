// SemVer's grammar, the rc tie-break of its order, and its text forms.
#include "version/semver.hpp"

#include <charconv>
#include <cstdint>
#include <limits>

#include "base/decimal.hpp"
#include "version/grammar.hpp"
#include "version/identifier_list.hpp"
#include "version/text_form.hpp"

namespace kolvi::version {

namespace {

using grammar::Cursor;
using grammar::Expected;
using grammar::IdentifierCollector;

// One or more digits, greedy, read as an unsigned 32-bit number. Leading zeros are dropped and
// a value above 4294967295 yields 0, however many digits follow. False when no digit is there.
//
// The integer is a labelled rule, but it runs without the set-aside record of
// Cursor::labelled: inside it only the digit check that ends the repetition can fail, so its own
// record is that single item ("digit", or "integer" once relabelled at the rule's start), and
// merging a single-item record is exactly what recording that item directly does.
bool integer(Cursor& cursor, std::uint32_t& out) {
  int digit = cursor.digit_or(Expected::integer);
  if (digit < 0) return false;
  std::uint64_t value = 0;
  bool overflowed = false;
  for (; digit >= 0; digit = cursor.digit_or(Expected::digit)) {
    if (overflowed) continue;  // stays 0: more digits must not bring a wrapped value back
    value = value * 10 + static_cast<unsigned>(digit);
    overflowed = value > std::numeric_limits<std::uint32_t>::max();
  }
  out = overflowed ? 0 : static_cast<std::uint32_t>(value);
  return true;
}

// Three integers separated by '.'; it does not look past the third.
bool version_core(Cursor& cursor, std::uint32_t (&numbers)[3]) {
  return integer(cursor, numbers[0]) && cursor.match<'.'>() && integer(cursor, numbers[1])
         && cursor.match<'.'>() && integer(cursor, numbers[2]);
}

// An optional part introduced by kIntroducer: whether it is present (possibly empty).
template <char kIntroducer>
bool optional_list(Cursor& cursor, IdentifierCollector& collector) {
  if (!cursor.match<kIntroducer>()) return false;
  grammar::dot_separated_list(cursor, collector);
  return true;
}

void append_optional_list_debug(std::string& out, const OptionalTextList& list) {
  if (!list.has_value()) {
    out += "None";
    return;
  }
  out += "Some(";
  text_form::append_quoted_list(out, *list);
  out += ')';
}

// Room for a 32-bit number in decimal and the character after it.
constexpr std::size_t kNumberField = std::numeric_limits<std::uint32_t>::digits10 + 2;

// Writes the number in decimal and `after` at `out`, which has kNumberField bytes of room, and
// returns the position after them.
char* put_decimal(char* out, std::uint32_t number, char after) noexcept {
  char* end = std::to_chars(out, out + kNumberField - 1, number).ptr;
  *end = after;
  return end + 1;
}

std::size_t optional_joined_size(const OptionalTextList& list) noexcept {
  return list.has_value() ? 1 + text_form::joined_size(*list) : 0;
}

}  // namespace

bool parse_into(Cursor& cursor, SemVer* out) {
  cursor.match<'v'>();
  std::uint32_t numbers[3];
  if (!version_core(cursor, numbers)) return false;
  IdentifierCollector rc;
  IdentifierCollector meta;
  const bool has_rc = optional_list<'-'>(cursor, rc);
  const bool has_meta = optional_list<'+'>(cursor, meta);
  if (!cursor.end_of_input()) return false;
  if (out == nullptr) return true;
  out->major = numbers[0];
  out->minor = numbers[1];
  out->patch = numbers[2];
  if (has_rc) rc.move_into(out->rc.emplace());
  if (has_meta) meta.move_into(out->meta.emplace());
  return true;
}

ParseResult<SemVer> parse_semver(std::string_view text) {
  return grammar::parse_whole<SemVer>(text);
}

ParseResult<void> check_semver(std::string_view text) {
  return grammar::check_whole<SemVer>(text);
}

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
  // The numbers are written into the stack and go out in one append.
  char numbers[3 * kNumberField];
  char* end = put_decimal(numbers, v.major, '.');
  end = put_decimal(end, v.minor, '.');
  end = put_decimal(end, v.patch, '\0');
  out.append(numbers, static_cast<std::size_t>(end - numbers - 1));
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
