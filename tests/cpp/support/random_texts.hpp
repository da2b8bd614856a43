// Random short texts over the grammar's interesting characters, for the tests that check a
// property of every parse or report rather than listed cases.
#pragma once

#include <cstddef>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace kolvi::testing {

// The same `count` texts on every run: digits, the grammar's punctuation, letters, non-ASCII
// characters, white space, a line feed and NUL, up to nine of them each.
inline std::vector<std::string> random_grammar_texts(std::size_t count) {
  const std::string_view alphabet[] = {
      "0", "1", "9", ".",  "-", "+",  "v",  "V",
      "a", "_", "é", "日", " ", "\t", "\n", std::string_view("\0", 1)};
  std::mt19937 random(20240601);
  std::vector<std::string> texts(count);
  for (std::string& text : texts) {
    const int length = static_cast<int>(random() % 10);
    for (int i = 0; i < length; ++i)
      text += alphabet[random() % std::size(alphabet)];
  }
  return texts;
}

}  // namespace kolvi::testing
