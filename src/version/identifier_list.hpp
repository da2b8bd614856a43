// The dot-separated identifier list that SemVer's rc and meta and DotSeparated's parts share,
// and the collector that turns its identifiers into a TextList once the whole parse succeeds.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>
#include <utility>

#include "version/grammar.hpp"
#include "version/text_list.hpp"

namespace kolvi::version::grammar {

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
inline void dot_separated_list(Cursor& cursor, IdentifierCollector& collector) {
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

}  // namespace kolvi::version::grammar
