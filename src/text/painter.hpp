// Terminal colour for text built in memory: pieces wrapped in the escape sequences of
// text/terminal_colour.hpp, or written unchanged when colour is off.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "text/terminal_colour.hpp"

namespace kolvi::text {

class Painter {
 public:
  Painter(std::string& out, bool colour) noexcept : out_(out), colour_(colour) {}

  std::string& out() noexcept { return out_; }
  bool colour() const noexcept { return colour_; }

  // `piece` in the style `code` (SGR parameters such as "31" or "38;5;201"), then back to the
  // default style.
  void paint(std::string_view code, std::string_view piece) {
    start(code);
    out_ += piece;
    reset();
  }

  // For a style that runs over several appends: start it, append, then reset(). An empty code
  // starts nothing.
  void start(std::string_view code) {
    if (!colour_ || code.empty()) return;
    const std::size_t at = out_.size();
    out_.resize(at + escape_size(code));
    write_escape(out_.data() + at, code);
  }
  void reset() {
    if (colour_) out_ += std::string_view(kReset);
  }

  void plain(std::string_view text) { out_ += text; }
  void plain(char c) { out_ += c; }
  void spaces(std::size_t count) { out_.append(count, ' '); }

 private:
  std::string& out_;
  bool colour_;
};

}  // namespace kolvi::text
