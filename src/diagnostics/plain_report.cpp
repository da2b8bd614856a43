// The plain report: one layout, run once to count the text's size and once to write it, as UTF-8
// bytes or as UTF-16 units. Every fixed part is a constant held in both forms.
#include "diagnostics/plain_report.hpp"

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "text/ascii_scan.hpp"
#include "text/text_sink.hpp"
#include "text/utf8.hpp"

namespace kolvi::diagnostics {

namespace {

// A fixed part of the text as UTF-8 bytes and as UTF-16 units, so that either form is one copy.
template <std::size_t N>
struct Fragment {
  consteval Fragment(const char (&text)[N]) {
    const std::string_view view(text, N - 1);
    std::copy(view.begin(), view.end(), bytes);
    for (std::size_t pos = 0; pos < view.size();) {
      const utf8::Decoded decoded = utf8::decode(view, pos);
      units[unit_count++] = static_cast<std::uint16_t>(decoded.code_point);
      pos += decoded.length;
    }
  }

  static constexpr std::size_t byte_count = N - 1;
  char bytes[N - 1] = {};
  std::uint16_t units[N - 1] = {};
  std::size_t unit_count = 0;
};

// The rows as ReportWriter writes them when the line number is 1 and every cell one wide.
constexpr Fragment kFrameTop("Error: \n   ╭─[ ");
constexpr Fragment kLineOne(":1:");
constexpr Fragment kFrameToSource(" ]\n   │\n 1 │ ");
constexpr Fragment kRowStart("\n   │ ");
constexpr Fragment kArrowOnLabel("┬");
constexpr Fragment kArrowAtEnd("│");
constexpr Fragment kCorner("╰");
constexpr Fragment kBeforeMessage(" ");
constexpr Fragment kClosingLine("\n───╯\n");

// The horizontal bar of the underline and the message row.
constexpr Fragment kBar("─");

template <class Unit>
constexpr std::size_t size_in(const auto& fragment) noexcept {
  if constexpr (std::is_same_v<Unit, char>) {
    return fragment.byte_count;
  } else {
    return fragment.unit_count;
  }
}

// Adds up the size of the text in units of type Unit (char for UTF-8 bytes).
template <class Unit>
class Counter {
 public:
  std::size_t size() const noexcept { return size_; }

  void put(const auto& fragment) noexcept { size_ += size_in<Unit>(fragment); }
  void ascii(std::string_view text) noexcept { size_ += text.size(); }
  void spaces(std::size_t count) noexcept { size_ += count; }
  void bars(std::size_t count) noexcept { size_ += count * size_in<Unit>(kBar); }

 private:
  std::size_t size_ = 0;
};

// Writes the text as UTF-8 bytes (Unit char) or UTF-16 units (std::uint16_t), unchecked.
template <class Unit>
class Writer {
 public:
  static constexpr bool kBytes = std::is_same_v<Unit, char>;

  explicit Writer(Unit* out) noexcept : out_(out) {}

  [[gnu::always_inline]] void put(const auto& fragment) noexcept {
    if constexpr (kBytes) {
      std::memcpy(out_, fragment.bytes, fragment.byte_count);
    } else {
      std::memcpy(out_, fragment.units, fragment.unit_count * sizeof(Unit));
    }
    out_ += size_in<Unit>(fragment);
  }
  void ascii(std::string_view text) noexcept {
    if constexpr (kBytes) {
      std::memcpy(out_, text.data(), text.size());
      out_ += text.size();
    } else {
      out_ = text::widen_ascii(text, out_);
    }
  }
  void spaces(std::size_t count) noexcept {
    if constexpr (kBytes) {
      std::memset(out_, ' ', count);
      out_ += count;
    } else {
      out_ = text::fill_units(out_, count, U' ');
    }
  }
  void bars(std::size_t count) noexcept {
    if constexpr (kBytes) {
      for (std::size_t i = 0; i < count; ++i)
        put(kBar);
    } else {
      out_ = text::fill_units(out_, count, kBar.units[0]);
    }
  }

 private:
  Unit* out_;
};

}  // namespace

std::size_t message_size_bound(const version::ParseError& error) noexcept {
  std::size_t bound = 64;
  for (const version::ExpectedItem& item : error.expected)
    bound += item.label.size() + 20;
  return bound;
}

PlainReport::PlainReport(std::span<const version::ParseError> errors, std::string_view source,
                         std::string_view source_name) noexcept
    : source_name_(source_name) {
  if (errors.size() != 1) return;
  const version::ParseError& error = errors.front();
  // A reversed span is the general writer's internal fault to report.
  if (error.span.start > error.span.end) return;
  if (text::plain_ascii_end(source, 0) != source.size()) return;
  if (text::plain_ascii_end(source_name, 0) != source_name.size()) return;
  if (message_size_bound(error) > kMessageCapacity) return;
  text::Utf8BufferSink message(message_);
  error.write_message(message);
  message_size_ = static_cast<std::size_t>(message.position() - message_);
  // The message holds the found character as it is, control characters included: ASCII is all
  // the layout needs.
  if (text::ascii_end({message_, message_size_}, 0) != message_size_) return;

  // On a plain line columns are byte offsets; white space at its end can only be spaces.
  shown_ = source.substr(0, source.find_last_not_of(' ') + 1);
  start_ = error.span.start;
  end_ = error.span.end;
  arrow_ = std::max(start_, (start_ + end_) / 2);
  column_ = base::Decimal(start_ + 1);
  holds_ = true;
}

// The header, the frame top and spacer, the source line; then the underline row and the message
// row, whose cells run from column 0 to the label's end + 2; then the closing line.
template <class Out>
void PlainReport::lay_out(Out& out) const noexcept {
  out.put(kFrameTop);
  out.ascii(source_name_);
  out.put(kLineOne);
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
  out.ascii({message_, message_size_});
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
