// The plain report: one layout, run once to count the text's size and once to write it, as UTF-8
// bytes or as UTF-16 units. Every fixed part is a constant held in both forms.
#include "diagnostics/plain_report.hpp"

#include <algorithm>
#include <array>
#include <cstring>
#include <type_traits>
#include <utility>

#include "diagnostics/label_placement.hpp"
#include "text/ascii_scan.hpp"
#include "text/literal.hpp"
#include "text/unit_copy.hpp"
#include "text/utf8.hpp"
#include "version/version.hpp"

namespace kolvi::diagnostics {

namespace {

using text::Literal;

// The texts of kParts one after the other, as a literal.
template <const std::string_view&... kParts>
consteval auto joined() {
  Literal<(kParts.size() + ... + 0) + 1> out;
  std::size_t at = 0;
  for (const std::string_view part : {kParts...}) {
    for (const char c : part)
      out.bytes[at++] = c;
  }
  return out;
}

consteval std::size_t code_point_count(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t pos = 0; pos < text.size(); pos += utf8::decode(text, pos).length)
    ++count;
  return count;
}

// A fixed part of the text as UTF-8 bytes and as UTF-16 units. Both sizes are constants of the
// type, so that writing either form is a copy of a size known when compiling.
template <Literal kText>
struct Fragment {
  static constexpr std::size_t byte_count = kText.view().size();
  static constexpr std::size_t unit_count = code_point_count(kText.view());

  static constexpr std::array<std::uint16_t, unit_count> units = [] {
    std::array<std::uint16_t, unit_count> out{};
    const std::string_view text = kText.view();
    std::size_t count = 0;
    for (std::size_t pos = 0; pos < text.size(); pos += utf8::decode(text, pos).length)
      out[count++] = static_cast<std::uint16_t>(utf8::decode(text, pos).code_point);
    return out;
  }();
  static constexpr const char* bytes = kText.bytes;
};

// The rows as ReportWriter writes them when the line number is 1 and every cell one wide.
constexpr std::string_view kHeaderAndFrameStart = "Error: \n   ╭─[ ";
constexpr std::string_view kLineOne = ":1:";
constexpr Fragment<joined<kHeaderAndFrameStart>()> kFrameStart;
constexpr Fragment<joined<kLineOne>()> kAfterSourceName;
constexpr Fragment<" ]\n   │\n 1 │ "> kFrameToSource;
constexpr Fragment<"\n   │ "> kRowStart;
constexpr Fragment<"┬"> kArrowOnLabel;
constexpr Fragment<"│"> kArrowAtEnd;
constexpr Fragment<"╰"> kCorner;
constexpr Fragment<" "> kBeforeMessage;
constexpr Fragment<"\n───╯\n"> kClosingLine;

// The horizontal bar of the underline and the message row.
constexpr Fragment<"─"> kBar;

// The header and the frame top up to the column, with the source name of one of the grammar's
// kinds: all the module's own reports carry one of these, copied whole instead of the name being
// checked and converted on every report.
template <const std::string_view& kSourceName>
using FrameTopOf = Fragment<joined<kHeaderAndFrameStart, kSourceName, kLineOne>()>;

template <const std::string_view&... kNames>
struct KnownSourceNames {
  // The index of `name` among kNames, or kUnknown.
  static constexpr std::uint8_t kUnknown = sizeof...(kNames);
  static std::uint8_t index_of(std::string_view name) noexcept {
    std::uint8_t index = 0;
    (void)((is(name, kNames) || (++index, false)) || ...);
    return index;
  }

  // Callers pass the constants themselves, so the address usually settles it.
  static bool is(std::string_view name, std::string_view known) noexcept {
    return name.size() == known.size()
           && (name.data() == known.data()
               || std::memcmp(name.data(), known.data(), known.size()) == 0);
  }

  // Puts the frame top of the name at `index` through `out`.
  template <class Out>
  static void put_frame_top(Out& out, std::uint8_t index) noexcept {
    std::uint8_t at = 0;
    (void)(((at++ == index) && (out.put(FrameTopOf<kNames>{}), true)) || ...);
  }
};

template <std::size_t... index>
auto source_names_of_targets(std::index_sequence<index...>)
    -> KnownSourceNames<version::TargetAt<index>::source_name...>;

// The source names of every row of the parse table.
using GrammarSourceNames =
    decltype(source_names_of_targets(std::make_index_sequence<version::kParseTargetCount>()));

template <class Unit, class Fragment>
constexpr std::size_t size_in() noexcept {
  if constexpr (std::is_same_v<Unit, char>) {
    return Fragment::byte_count;
  } else {
    return Fragment::unit_count;
  }
}

// Adds up the size of the text in units of type Unit (char for UTF-8 bytes). Like Writer, it is
// also a sink for ParseError::write_message, whose text is all ASCII here.
template <class Unit>
class Counter {
 public:
  std::size_t size() const noexcept { return size_; }

  template <class Fragment>
  void put(const Fragment&) noexcept {
    size_ += size_in<Unit, Fragment>();
  }
  void ascii(std::string_view text) noexcept { size_ += text.size(); }
  void spaces(std::size_t count) noexcept { size_ += count; }
  void bars(std::size_t count) noexcept { size_ += count * size_in<Unit, decltype(kBar)>(); }

  template <std::size_t N>
  void literal(const char (&)[N]) noexcept {
    size_ += N - 1;
  }
  void text(std::string_view text) noexcept { size_ += text.size(); }
  void character(char32_t) noexcept { ++size_; }

 private:
  std::size_t size_ = 0;
};

// Writes the text as UTF-8 bytes (Unit char) or UTF-16 units (std::uint16_t), unchecked.
template <class Unit>
class Writer {
 public:
  static constexpr bool kBytes = std::is_same_v<Unit, char>;

  explicit Writer(Unit* out) noexcept : out_(out) {}

  template <class Fragment>
  [[gnu::always_inline]] void put(const Fragment&) noexcept {
    if constexpr (kBytes) {
      std::memcpy(out_, Fragment::bytes, Fragment::byte_count);
    } else {
      std::memcpy(out_, Fragment::units.data(), sizeof Fragment::units);
    }
    out_ += size_in<Unit, Fragment>();
  }
  void ascii(std::string_view text) noexcept {
    if constexpr (kBytes) {
      std::memcpy(out_, text.data(), text.size());
      out_ += text.size();
    } else {
      out_ = text::widen_ascii(text, out_);
    }
  }
  // Runs of spaces and bars are often empty, and then cost no call.
  void spaces(std::size_t count) noexcept {
    if (count == 0) return;
    if constexpr (kBytes) {
      std::memset(out_, ' ', count);
      out_ += count;
    } else {
      out_ = text::fill_units(out_, count, U' ');
    }
  }
  void bars(std::size_t count) noexcept {
    if (count == 0) return;
    if constexpr (kBytes) {
      for (std::size_t i = 0; i < count; ++i)
        put(kBar);
    } else {
      out_ = text::fill_units(out_, count, kBar.units[0]);
    }
  }

  template <std::size_t N>
  [[gnu::always_inline]] void literal(const char (&s)[N]) noexcept {
    for (std::size_t i = 0; i + 1 < N; ++i)
      out_[i] = static_cast<unsigned char>(s[i]);
    out_ += N - 1;
  }
  void text(std::string_view text) noexcept { ascii(text); }
  void character(char32_t c) noexcept { *out_++ = static_cast<Unit>(c); }

 private:
  Unit* out_;
};

// Whether the message of `error` is all ASCII: its found character, its expected characters and
// the labels, which the grammar spells in ASCII.
bool has_ascii_message(const version::ParseError& error) noexcept {
  if (error.found && *error.found >= 0x80) return false;
  for (const version::ExpectedItem& item : error.expected) {
    if (item.what == version::ExpectedItem::What::character && item.character >= 0x80) {
      return false;
    }
    if (text::ascii_end(item.label, 0) != item.label.size()) return false;
  }
  return true;
}

}  // namespace

void PlainReport::place(const version::ParseError& error, std::string_view source) noexcept {
  const std::string_view source_name = source_name_;
  // A reversed span is the general writer's internal fault to report.
  if (error.span.start > error.span.end) return;
  if (text::plain_ascii_end(source, 0) != source.size()) return;
  known_source_name_ = GrammarSourceNames::index_of(source_name);
  if (known_source_name_ == GrammarSourceNames::kUnknown
      && text::plain_ascii_end(source_name, 0) != source_name.size()) {
    return;
  }
  // The message holds the found character as it is, control characters included: ASCII is all
  // the layout needs.
  if (!has_ascii_message(error)) return;

  error_ = &error;
  // On a plain line columns are byte offsets; white space at its end can only be spaces.
  shown_ = source.substr(0, source.find_last_not_of(' ') + 1);
  start_ = error.span.start;
  end_ = error.span.end;
  arrow_ = arrow_column(start_, end_);
  column_ = base::Decimal(start_ + 1);
  holds_ = true;
}

// The header, the frame top and spacer, the source line; then the underline row and the message
// row, whose cells run from column 0 to the label's end + 2; then the closing line.
template <class Out>
void PlainReport::lay_out(Out& out) const noexcept {
  if (known_source_name_ == GrammarSourceNames::kUnknown) {
    out.put(kFrameStart);
    out.ascii(source_name_);
    out.put(kAfterSourceName);
  } else {
    GrammarSourceNames::put_frame_top(out, known_source_name_);
  }
  out.ascii(column_.view());
  out.put(kFrameToSource);
  out.ascii(shown_);

  out.put(kRowStart);
  out.spaces(start_);
  out.bars(arrow_ - start_);
  if (end_ > start_) {
    out.put(kArrowOnLabel);
    out.bars(end_ - arrow_ - 1);
    out.spaces(2);
  } else {
    out.put(kArrowAtEnd);
    out.spaces(1);
  }

  out.put(kRowStart);
  out.spaces(arrow_);
  out.put(kCorner);
  out.bars(end_ + 1 - arrow_);
  out.put(kBeforeMessage);
  error_->write_message(out);
  out.put(kClosingLine);
}

std::size_t PlainReport::length() const noexcept {
  Counter<std::uint16_t> counter;
  lay_out(counter);
  return counter.size();
}

std::size_t PlainReport::utf8_size() const noexcept {
  Counter<char> counter;
  lay_out(counter);
  return counter.size();
}

void PlainReport::write(std::uint16_t* out) const noexcept {
  Writer<std::uint16_t> writer(out);
  lay_out(writer);
}

void PlainReport::write(char* out) const noexcept {
  Writer<char> writer(out);
  lay_out(writer);
}

}  // namespace kolvi::diagnostics
