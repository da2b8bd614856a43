// Destinations for text written piece by piece: UTF-8 appended to a std::string, a measure of the
// length and largest code point, and fixed-width code units (Latin-1, UCS-2, UCS-4) written into a
// buffer sized beforehand. All take the same calls, so one writer serves them all.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "text/ascii_scan.hpp"
#include "text/unit_copy.hpp"
#include "text/utf8.hpp"

namespace kolvi::text {

// The calls, for every sink:
//   literal("...")    a string literal of ASCII characters
//   ascii(s)          s holds only ASCII
//   text(s)           s is valid UTF-8
//   character(c)      one code point
//   repeat(c, n)      n times c
//   pieces(before, run, after)           each byte of the ASCII `run` between `before` and `after`
//   repeat_pieces(before, c, after, n)   n times c, each between `before` and `after`
// `before` and `after` hold only ASCII.

class Utf8Sink {
 public:
  explicit Utf8Sink(std::string& out) noexcept : out_(out) {}

  template <std::size_t N>
  void literal(const char (&s)[N]) {
    out_.append(s, N - 1);
  }
  void ascii(std::string_view s) { out_ += s; }
  void text(std::string_view s) { out_ += s; }
  void character(char32_t c) { utf8::append(out_, c); }
  void repeat(char32_t c, std::size_t count) {
    if (c < 0x80) {
      out_.append(count, static_cast<char>(c));
      return;
    }
    for (std::size_t i = 0; i < count; ++i)
      utf8::append(out_, c);
  }
  void pieces(std::string_view before, std::string_view run, std::string_view after) {
    for (const char c : run) {
      out_ += before;
      out_ += c;
      out_ += after;
    }
  }
  void repeat_pieces(std::string_view before, char32_t c, std::string_view after,
                     std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
      out_ += before;
      utf8::append(out_, c);
      out_ += after;
    }
  }

 private:
  std::string& out_;
};

// The largest code point of UTF-8 text, ASCII counting as U+007F; 0 for an empty text.
char32_t max_code_point(std::string_view text) noexcept;
// Counts code points and keeps the largest, with every ASCII character counted as U+007F: enough to
// choose the narrowest code unit that holds the text.
class MeasureSink {
 public:
  std::size_t length() const noexcept { return length_; }
  char32_t max_code_point() const noexcept { return max_; }

  template <std::size_t N>
  void literal(const char (&)[N]) noexcept {
    add(N - 1, kAsciiMax);
  }
  void ascii(std::string_view s) noexcept { add(s.size(), kAsciiMax); }
  void text(std::string_view s) noexcept { add(count_code_points(s), text::max_code_point(s)); }
  void character(char32_t c) noexcept { add(1, c); }
  void repeat(char32_t c, std::size_t count) noexcept { add(count, c); }
  void pieces(std::string_view before, std::string_view run, std::string_view after) noexcept {
    add(run.size() * (before.size() + 1 + after.size()), kAsciiMax);
  }
  void repeat_pieces(std::string_view before, char32_t c, std::string_view after,
                     std::size_t count) noexcept {
    add(count * (before.size() + 1 + after.size()), c);
  }

 private:
  static constexpr char32_t kAsciiMax = 0x7F;

  void add(std::size_t count, char32_t c) noexcept {
    if (count == 0) return;
    length_ += count;
    max_ = std::max(max_, std::max(c, kAsciiMax));
  }

  std::size_t length_ = 0;
  char32_t max_ = 0;
};

// The loops of UnitSink, out of line and compiled once per code unit: a report calls them a few
// times on short text, and on long text they run many units per step. write_text also raises
// `max` to the largest code point written.
template <class Unit>
Unit* write_text(std::string_view text, Unit* out, char32_t& max) noexcept;
template <class Unit>
Unit* write_pieces(std::string_view before, std::string_view run, std::string_view after,
                   Unit* out) noexcept;
template <class Unit>
Unit* write_repeated_pieces(std::string_view before, char32_t c, std::string_view after,
                            std::size_t count, Unit* out) noexcept;

// Writes code units of type Unit (std::uint8_t, std::uint16_t or std::uint32_t) from `out` on,
// unchecked: the buffer must hold the text (a MeasureSink or a bound sizes it), and every code
// point must fit a Unit. It keeps the largest code point written as MeasureSink does, counting
// U+007F from the start (the texts written here are never empty) and skipping the ASCII calls.
template <class Unit>
class UnitSink {
 public:
  explicit UnitSink(Unit* out) noexcept : out_(out) {}

  Unit* position() const noexcept { return out_; }
  char32_t max_code_point() const noexcept { return max_; }

  // Literals and single characters are written inline, as immediate stores.
  template <std::size_t N>
  [[gnu::always_inline]] void literal(const char (&s)[N]) noexcept {
    for (std::size_t i = 0; i + 1 < N; ++i)
      out_[i] = static_cast<unsigned char>(s[i]);
    out_ += N - 1;
  }
  [[gnu::always_inline]] void character(char32_t c) noexcept {
    *out_++ = static_cast<Unit>(c);
    note(c);
  }
  void ascii(std::string_view s) noexcept { out_ = widen_ascii(s, out_); }
  void text(std::string_view s) noexcept { out_ = write_text(s, out_, max_); }
  void repeat(char32_t c, std::size_t count) noexcept {
    if (count == 0) return;
    out_ = fill_units(out_, count, c);
    note(c);
  }
  void pieces(std::string_view before, std::string_view run, std::string_view after) noexcept {
    out_ = write_pieces(before, run, after, out_);
  }
  void repeat_pieces(std::string_view before, char32_t c, std::string_view after,
                     std::size_t count) noexcept {
    if (count == 0) return;
    out_ = write_repeated_pieces(before, c, after, count, out_);
    note(c);
  }

 private:
  void note(char32_t c) noexcept { max_ = std::max(max_, c); }

  Unit* out_;
  char32_t max_ = 0x7F;
};

}  // namespace kolvi::text
