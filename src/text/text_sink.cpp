// The loops behind the code-unit sink, compiled once for each unit, and the measures of UTF-8 text.
#include "text/text_sink.hpp"

#include <cstring>

#include "text/ascii_scan.hpp"

namespace kolvi::text {

namespace {

// One piece laid out in a block of kBlock units, with its middle unit left to fill in. Pieces are
// copied a whole block at a time: each block overruns its piece, and the pieces after it overwrite
// the overrun, so only the last few pieces are copied at their exact size. Longer pieces (never
// written by this module) are copied part by part.
template <class Unit>
class PiecePattern {
 public:
  static constexpr std::size_t kBlock = 16;

  PiecePattern(std::string_view before, std::string_view after) noexcept
      : before_(before), after_(after), size_(before.size() + 1 + after.size()) {
    if (!fits()) return;
    std::copy(before.begin(), before.end(), units_);
    std::copy(after.begin(), after.end(), units_ + before.size() + 1);
  }

  template <class Middle>
  Unit* write(Unit* out, std::size_t count, Middle middle) const noexcept {
    // A block may start only where a whole block still ends inside the pieces: at every piece but
    // the last few.
    std::size_t blocks = 0;
    if (fits()) {
      const std::size_t exact_tail = (kBlock + size_ - 1) / size_;
      blocks = count >= exact_tail ? count - exact_tail + 1 : 0;
    }
    std::size_t i = 0;
    for (; i < blocks; ++i)
      out = write_block(out, middle(i));
    for (; i < count; ++i)
      out = write_exact(out, middle(i));
    return out;
  }

 private:
  bool fits() const noexcept { return size_ <= kBlock; }

  Unit* write_block(Unit* out, char32_t c) const noexcept {
    std::memcpy(out, units_, sizeof units_);
    out[before_.size()] = static_cast<Unit>(c);
    return out + size_;
  }
  Unit* write_exact(Unit* out, char32_t c) const noexcept {
    out = std::copy(before_.begin(), before_.end(), out);
    *out++ = static_cast<Unit>(c);
    return std::copy(after_.begin(), after_.end(), out);
  }

  Unit units_[kBlock] = {};
  std::string_view before_;
  std::string_view after_;
  std::size_t size_;
};

}  // namespace

char32_t max_code_point(std::string_view text) noexcept {
  char32_t max = text.empty() ? 0 : 0x7F;
  for (std::size_t pos = ascii_end(text, 0); pos < text.size(); pos = ascii_end(text, pos)) {
    const utf8::Decoded decoded = utf8::decode(text, pos);
    max = std::max(max, decoded.code_point);
    pos += decoded.length;
  }
  return max;
}

template <class Unit>
Unit* write_text(std::string_view text, Unit* out, char32_t& max) noexcept {
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t end = ascii_end(text, pos);
    out = widen_ascii(text.substr(pos, end - pos), out);
    if (end == text.size()) break;
    const utf8::Decoded decoded = utf8::decode(text, end);
    *out++ = static_cast<Unit>(decoded.code_point);
    max = std::max(max, decoded.code_point);
    pos = end + decoded.length;
  }
  return out;
}

template <class Unit>
Unit* write_pieces(std::string_view before, std::string_view run, std::string_view after,
                   Unit* out) noexcept {
  return PiecePattern<Unit>(before, after).write(out, run.size(), [&](std::size_t i) {
    return static_cast<unsigned char>(run[i]);
  });
}

template <class Unit>
Unit* write_repeated_pieces(std::string_view before, char32_t c, std::string_view after,
                            std::size_t count, Unit* out) noexcept {
  return PiecePattern<Unit>(before, after).write(out, count, [&](std::size_t) { return c; });
}

// Unit is a type, which parentheses would break.
// NOLINTBEGIN(bugprone-macro-parentheses)
#define KOLVI_UNIT_SINK_LOOPS(Unit)                                                               \
  template Unit* write_text(std::string_view, Unit*, char32_t&) noexcept;                         \
  template Unit* write_pieces(std::string_view, std::string_view, std::string_view,               \
                              Unit*) noexcept;                                                    \
  template Unit* write_repeated_pieces(std::string_view, char32_t, std::string_view, std::size_t, \
                                       Unit*) noexcept;
KOLVI_UNIT_SINK_LOOPS(std::uint8_t)
KOLVI_UNIT_SINK_LOOPS(std::uint16_t)
KOLVI_UNIT_SINK_LOOPS(std::uint32_t)
#undef KOLVI_UNIT_SINK_LOOPS
// NOLINTEND(bugprone-macro-parentheses)

}  // namespace kolvi::text
