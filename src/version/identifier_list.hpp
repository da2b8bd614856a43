// The dot-separated identifier list that SemVer's rc and meta and DotSeparated's parts share,
// and the collector that turns its identifiers into a TextList once the whole parse succeeds.
#pragma once

#include <cstddef>
#include <string_view>

#include "version/grammar.hpp"
#include "version/text_list.hpp"

namespace kolvi::version::grammar {

// Notes where the identifiers of one list lie in the text. They become a TextList only when
// move_into is called, once the whole operation has parsed, so a text that fails after its lists
// (as most failing texts do) allocates nothing, and a validity test builds nothing at all. The
// identifiers of a list are consecutive and separated by single '.', so the text from the first
// to the end of the last holds them all.
class IdentifierCollector {
 public:
  void add(std::string_view identifier) noexcept {
    if (count_ == 0) first_ = identifier.data();
    end_ = identifier.data() + identifier.size();
    ++count_;
    stored_ += TextList::stored_size_of(identifier.size());
  }

  // One allocation of exactly the list's size, or none for an empty list.
  void move_into(TextList& out) const {
    out = TextList::from_dotted(std::string_view(first_, static_cast<std::size_t>(end_ - first_)),
                                count_, stored_);
  }

 private:
  const char* first_ = nullptr;
  const char* end_ = nullptr;
  std::size_t count_ = 0;
  std::size_t stored_ = 0;
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
