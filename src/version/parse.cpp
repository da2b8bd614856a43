// The four parse operations over the shared cursor: SemVer, DotSeparated, Other and Version.

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <utility>

#include "version/dot_separated.hpp"
#include "version/grammar.hpp"
#include "version/other.hpp"
#include "version/semver.hpp"
#include "version/version.hpp"

namespace kolvi::version {

namespace {

using grammar::Cursor;
using grammar::Expected;

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
bool version_core(Cursor& cursor, SemVer& out) {
  return integer(cursor, out.major) && cursor.match<'.'>() && integer(cursor, out.minor)
         && cursor.match<'.'>() && integer(cursor, out.patch);
}

// Collects the identifiers of one list as views into the text. They become strings only when
// move_into is called, once the whole operation has parsed, so a text that fails after its lists
// (as most failing texts do) allocates nothing for lists of up to eight identifiers.
class IdentifierCollector {
 public:
  void add(std::string_view identifier) {
    if (count_ == kPending) spill();
    pending_[count_++] = {identifier.data(), identifier.size()};
  }

  void move_into(TextList& out) {
    spill();
    out = std::move(spilled_);
  }

 private:
  void spill() {
    // Grow geometrically: reserving exactly on every spill would make long lists quadratic.
    const std::size_t needed = spilled_.size() + count_;
    if (needed > spilled_.capacity()) spilled_.reserve(std::max(needed, 2 * spilled_.capacity()));
    for (std::size_t i = 0; i < count_; ++i)
      spilled_.emplace_back(pending_[i].data, pending_[i].size);
    count_ = 0;
  }

  // A plain struct, so that the pending slots start uninitialised: most parses fill none.
  struct View {
    const char* data;
    std::size_t size;
  };
  static constexpr std::size_t kPending = 8;

  TextList spilled_;
  View pending_[kPending];
  std::size_t count_ = 0;
};

// Zero or more identifiers (runs of identifier characters) separated by single '.'. Never fails: a
// '.' not followed by an identifier is left unconsumed, and the failure recorded after it stays on
// the record.
void dot_separated_list(Cursor& cursor, IdentifierCollector& collector) {
  cursor.labelled(Expected::dot_separated_list, [&] {
    std::string_view identifier = cursor.identifier_characters();
    if (identifier.empty()) return true;
    collector.add(identifier);
    while (true) {
      const std::size_t before_dot = cursor.position();
      if (!cursor.match<'.'>()) break;
      identifier = cursor.identifier_characters();
      if (identifier.empty()) {
        cursor.set_position(before_dot);
        break;
      }
      collector.add(identifier);
    }
    return true;
  });
}

// An identifier start ('_' or XID_Start), then XID_Continue characters, greedy.
bool identifier(Cursor& cursor) {
  if (!cursor.identifier_start()) return false;
  while (cursor.identifier_continue()) {
  }
  return true;
}

// An optional part introduced by kIntroducer: whether it is present (possibly empty).
template <char kIntroducer>
bool optional_list(Cursor& cursor, IdentifierCollector& collector) {
  if (!cursor.match<kIntroducer>()) return false;
  dot_separated_list(cursor, collector);
  return true;
}

bool semver_grammar(Cursor& cursor, SemVer& out) {
  cursor.match<'v'>();
  if (!version_core(cursor, out)) return false;
  IdentifierCollector rc;
  IdentifierCollector meta;
  const bool has_rc = optional_list<'-'>(cursor, rc);
  const bool has_meta = optional_list<'+'>(cursor, meta);
  if (!cursor.end_of_input()) return false;
  if (has_rc) rc.move_into(out.rc.emplace());
  if (has_meta) meta.move_into(out.meta.emplace());
  return true;
}

bool dot_separated_grammar(Cursor& cursor, DotSeparated& out) {
  IdentifierCollector parts;
  dot_separated_list(cursor, parts);
  if (!cursor.end_of_input()) return false;
  parts.move_into(out.parts);
  return true;
}

bool other_grammar(Cursor& cursor) {
  return identifier(cursor) && cursor.end_of_input();
}

}  // namespace

ParseResult<SemVer> parse_semver(std::string_view text) {
  Cursor cursor(text);
  SemVer value;
  if (semver_grammar(cursor, value)) return value;
  return cursor.error();
}

ParseResult<DotSeparated> parse_dot_separated(std::string_view text) {
  Cursor cursor(text);
  DotSeparated value;
  if (dot_separated_grammar(cursor, value)) return value;
  return cursor.error();
}

ParseResult<Other> parse_other(std::string_view text) {
  Cursor cursor(text);
  if (other_grammar(cursor)) return Other{std::string(text)};
  return cursor.error();
}

// The kinds in rank order, each from position 0. The record is shared, so when all three fail
// the error is the furthest failure over all of them.
ParseResult<Version> parse_version(std::string_view text) {
  Cursor cursor(text);
  if (SemVer semver; semver_grammar(cursor, semver)) return Version(std::move(semver));
  cursor.set_position(0);
  if (DotSeparated dotted; dot_separated_grammar(cursor, dotted)) {
    return Version(std::move(dotted));
  }
  cursor.set_position(0);
  if (other_grammar(cursor)) return Version(Other{std::string(text)});
  return cursor.error();
}

}  // namespace kolvi::version
