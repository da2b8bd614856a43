// The grammar's cursor, its primitive steps and the failure record that every kind's grammar
// shares. The record lives inline in the cursor, so a parse allocates nothing but the value's own
// texts; the ParseError is built only when an operation gives up.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <utility>

#include "text/ascii_scan.hpp"
#include "text/unicode.hpp"
#include "text/utf8.hpp"
#include "version/parse_error.hpp"
#include "version/parse_result.hpp"

namespace kolvi::version::grammar {

// Everything the grammar can name as expected. Recorded lists hold each of these at most once,
// so a list can never outgrow kExpectedKinds entries.
enum class Expected : std::uint8_t {
  v,
  dot,
  minus,
  plus,
  end_of_input,
  digit,
  integer,
  identifier_character,
  dot_separated_list,
  identifier,
};
inline constexpr std::size_t kExpectedKinds = 10;

ExpectedItem to_expected_item(Expected item) noexcept;

// The furthest failure recorded so far: its byte position and the ordered expected items.
// The found character and span are not stored: both follow from the position and the input.
class FailureRecord {
 public:
  bool empty() const noexcept { return count_ == 0; }
  std::size_t position() const noexcept { return position_; }
  std::span<const Expected> expected() const noexcept { return {items_.data(), count_}; }

  // A primitive step failed at `position` expecting `item`: the furthest position wins, and at
  // the same position the item is appended unless already present.
  void record(std::size_t position, Expected item) noexcept {
    if (empty() || position > position_) {
      start_over(position, item);
    } else if (position == position_) {
      append(item);
    }
  }

  // A labelled rule that failed where it began names itself instead of its parts.
  void relabel(Expected label) noexcept { start_over(position_, label); }

  // Folds the record of a labelled rule (`inner`) into this one, which was set aside while the
  // rule ran. At equal positions the longer list leads (this one on a tie) and the other's new
  // items follow in their order.
  void merge(const FailureRecord& inner) noexcept;

  // The single error of a failed operation over `text`. The record must not be empty.
  ParseError to_error(std::string_view text) const;

 private:
  static constexpr std::uint16_t bit(Expected item) noexcept {
    return static_cast<std::uint16_t>(1U << static_cast<unsigned>(item));
  }
  bool holds(Expected item) const noexcept { return (present_ & bit(item)) != 0; }
  void start_over(std::size_t position, Expected item) noexcept {
    position_ = position;
    present_ = bit(item);
    items_[0] = item;
    count_ = 1;
  }
  // No bounds check needed: `present_` keeps items unique and there are only kExpectedKinds.
  void append(Expected item) noexcept {
    if (holds(item)) return;
    present_ |= bit(item);
    items_[count_++] = item;
  }

  std::size_t position_ = 0;
  std::uint16_t present_ = 0;
  std::uint8_t count_ = 0;
  std::array<Expected, kExpectedKinds> items_{};
};

static_assert(kExpectedKinds <= 16, "present_ has one bit per expected kind");
static_assert(static_cast<std::size_t>(Expected::identifier) + 1 == kExpectedKinds);
static_assert(kExpectedKinds <= ExpectedList::kCapacity,
              "an error holds every item the grammar names");

namespace detail {

// Identifier characters of dot-separated lists: ASCII letters, digits and '-'. Indexed by byte,
// so every byte of a multi-byte character answers false.
inline constexpr std::array<bool, 256> kIdentifierCharacter = [] {
  std::array<bool, 256> table{};
  for (unsigned c = '0'; c <= '9'; ++c)
    table[c] = true;
  for (unsigned c = 'a'; c <= 'z'; ++c)
    table[c] = true;
  for (unsigned c = 'A'; c <= 'Z'; ++c)
    table[c] = true;
  table['-'] = true;
  return table;
}();

// The same class a word at a time: the mask of the bytes that are not identifier characters, as
// text::run_end takes it.
inline std::uint64_t non_identifier_bytes(std::uint64_t w) noexcept {
  namespace word = text::word;
  const std::uint64_t lower_case = w | (word::kOnes * 0x20);
  const std::uint64_t identifier =
      (word::in_range(w, '0', '9') | word::in_range(lower_case, 'a', 'z')
       | word::equal_exact(w, '-'))
      & word::ascii_bytes(w);
  return ~identifier & word::kHighBits;
}

// The end of the run of identifier characters from `pos`: sixteen bytes a step where SSE2 is
// there, then words.
inline std::size_t identifier_run_end(std::string_view text, std::size_t pos) noexcept {
#if defined(__SSE2__)
  const std::size_t end = text::vector_run_end(text, pos, [](__m128i bytes) {
    // Signed compares: bytes from 0x80 up are negative and fall outside every range.
    const auto in_range = [](__m128i b, char low, char high) {
      return _mm_and_si128(_mm_cmpgt_epi8(b, _mm_set1_epi8(static_cast<char>(low - 1))),
                           _mm_cmplt_epi8(b, _mm_set1_epi8(static_cast<char>(high + 1))));
    };
    const __m128i lower_case = _mm_or_si128(bytes, _mm_set1_epi8(0x20));
    const __m128i identifier =
        _mm_or_si128(_mm_or_si128(in_range(bytes, '0', '9'), in_range(lower_case, 'a', 'z')),
                     _mm_cmpeq_epi8(bytes, _mm_set1_epi8('-')));
    return ~_mm_movemask_epi8(identifier) & 0xFFFF;
  });
  if (end <= text.size()) return end;
#endif
  return text::run_end(text, pos, [](std::uint64_t w) { return non_identifier_bytes(w); });
}

}  // namespace detail

// A position in valid UTF-8 text plus the failure record. Every step either consumes one
// character and succeeds, or records its failure at the current position and consumes nothing.
class Cursor {
 public:
  explicit Cursor(std::string_view text) noexcept : text_(text) {}

  std::string_view text() const noexcept { return text_; }
  std::size_t position() const noexcept { return position_; }
  void set_position(std::size_t position) noexcept { position_ = position; }
  const FailureRecord& record() const noexcept { return record_; }

  // Matches one of the literal characters the grammar knows: 'v', '.', '-' or '+'.
  template <char kCharacter>
  bool match() noexcept {
    if (position_ < text_.size() && text_[position_] == kCharacter) {
      ++position_;
      return true;
    }
    return fail(expected_for(kCharacter));
  }

  bool end_of_input() noexcept { return position_ == text_.size() || fail(Expected::end_of_input); }

  // The value of the next character when it is a digit ('0' to '9' only), consumed; otherwise
  // -1 after recording `on_failure`: "digit", or the label of a rule that begins with the check.
  int digit_or(Expected on_failure) noexcept {
    if (position_ < text_.size()) {
      const unsigned value = static_cast<unsigned char>(text_[position_]) - unsigned{'0'};
      if (value <= 9) {
        ++position_;
        return static_cast<int>(value);
      }
    }
    fail(on_failure);
    return -1;
  }
  int digit() noexcept { return digit_or(Expected::digit); }

  // A greedy run of identifier characters: the same as repeating the identifier-character check
  // until it fails (only the stopping check records), in one tight loop. Returns the text covered.
  // Most identifiers are short, so the first bytes are looked up one by one; a longer run goes on
  // a word at a time.
  std::string_view identifier_characters() noexcept {
    const std::size_t start = position_;
    const std::size_t bytewise_end = std::min(text_.size(), start + 8);
    std::size_t end = start;
    while (end < bytewise_end
           && detail::kIdentifierCharacter[static_cast<unsigned char>(text_[end])]) {
      ++end;
    }
    if (end == bytewise_end && end < text_.size()) end = detail::identifier_run_end(text_, end);
    position_ = end;
    record_.record(end, Expected::identifier_character);
    return std::string_view(text_.data() + start, end - start);
  }

  // XID_Start or '_' (start), XID_Continue (continue); both are labelled "identifier".
  bool identifier_start() noexcept { return identifier_check<true>(); }
  bool identifier_continue() noexcept { return identifier_check<false>(); }

  // Runs `rule` as a labelled rule: with a fresh record, relabelled when its failure sits at the
  // rule's start, then merged into the record held before.
  template <class Rule>
  auto labelled(Expected label, Rule&& rule) {
    FailureRecord outer = std::exchange(record_, FailureRecord{});
    const std::size_t start = position_;
    auto result = std::forward<Rule>(rule)();
    if (!record_.empty() && record_.position() == start) record_.relabel(label);
    outer.merge(record_);
    record_ = outer;
    return result;
  }

  // The error of a failed operation: the furthest failure.
  ParseError error() const { return record_.to_error(text_); }

 private:
  // consteval: a character outside the four literals fails to compile instead of misreporting.
  static consteval Expected expected_for(char c) {
    switch (c) {
      case 'v':
        return Expected::v;
      case '.':
        return Expected::dot;
      case '-':
        return Expected::minus;
      case '+':
        return Expected::plus;
      default:
        throw "not a literal of the grammar";
    }
  }

  bool fail(Expected item) noexcept {
    record_.record(position_, item);
    return false;
  }

  template <bool kStart>
  bool identifier_check() noexcept {
    if (position_ < text_.size()) {
      const unsigned char lead = static_cast<unsigned char>(text_[position_]);
      if (lead < 0x80) {
        const bool accepted =
            kStart ? (lead == '_' || unicode::is_xid_start(lead)) : unicode::is_xid_continue(lead);
        if (accepted) {
          ++position_;
          return true;
        }
      } else {
        const utf8::Decoded decoded = utf8::decode(text_, position_);
        const bool accepted = kStart ? unicode::is_xid_start(decoded.code_point)
                                     : unicode::is_xid_continue(decoded.code_point);
        if (accepted) {
          position_ += decoded.length;
          return true;
        }
      }
    }
    return fail(Expected::identifier);
  }

  std::string_view text_;
  std::size_t position_ = 0;
  FailureRecord record_;
};

// A kind's standalone parse operation: its grammar over the whole text, from position 0. Always
// inlined, so that the operation is one function, as the kind's own would be.
template <class Value>
[[gnu::always_inline]] inline ParseResult<Value> parse_whole(std::string_view text) {
  Cursor cursor(text);
  Value value;
  if (parse_into(cursor, &value)) return value;
  return cursor.error();
}

// A kind's validity test: the same grammar over the whole text, building no value, so that it
// allocates nothing and its failure is the parse operation's.
template <class Value>
[[gnu::always_inline]] inline ParseResult<void> check_whole(std::string_view text) {
  Cursor cursor(text);
  if (parse_into(cursor, static_cast<Value*>(nullptr))) return {};
  return cursor.error();
}

}  // namespace kolvi::version::grammar
