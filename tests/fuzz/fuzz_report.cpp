// Fuzzes report rendering beyond what the grammar produces: arbitrary source text
// (with several lines, tabs, wide and zero-width characters) and one to three
// errors with arbitrary character-boundary spans, found items and expected lists.
//
// Input layout: byte 0 picks the source name and the error count; each error then
// takes four bytes (start, length, found choice, expected-list bits); the rest is
// the source text.
#include <algorithm>
#include <array>
#include <vector>

#include "fuzz_checks.hpp"

namespace {

using kolvi::version::ExpectedItem;
using kolvi::version::ParseError;

constexpr std::array<std::string_view, 4> source_names = {
    kolvi::version::source_name_of<kolvi::version::SemVer>,
    kolvi::version::source_name_of<kolvi::version::DotSeparated>,
    kolvi::version::source_name_of<kolvi::version::Other>,
    kolvi::version::source_name_of<kolvi::version::Version>};

constexpr std::array<ExpectedItem, 10> vocabulary = {ExpectedItem::of_character('v'),
                                                     ExpectedItem::of_character('.'),
                                                     ExpectedItem::of_character('-'),
                                                     ExpectedItem::of_character('+'),
                                                     ExpectedItem::of_label("digit"),
                                                     ExpectedItem::of_label("integer"),
                                                     ExpectedItem::of_label("alphanumeric or '-'"),
                                                     ExpectedItem::of_label("dot-separated list"),
                                                     ExpectedItem::of_label("identifier"),
                                                     ExpectedItem::end_of_input()};

// Moves `offset` back onto the start of the character that holds it.
std::size_t to_boundary(std::string_view text, std::size_t offset) {
  while (!kolvi::fuzz::is_character_boundary(text, offset))
    --offset;
  return offset;
}

ParseError make_error(const std::uint8_t* params, std::string_view text) {
  ParseError error;
  const std::size_t start = to_boundary(text, params[0] % (text.size() + 1));
  std::size_t end = to_boundary(text, std::min(text.size(), start + params[1] % 8));
  if (end < start) end = start;
  error.span = {start, end};
  // Mostly the character under the span, as the grammar gives; sometimes any.
  if (params[2] % 4 != 0 && start < text.size()) {
    error.found = kolvi::utf8::decode(text, start).code_point;
  } else if (params[2] % 4 == 0 && params[2] >= 128) {
    error.found = static_cast<char32_t>(params[2] - 128);
  }
  for (std::size_t bit = 0; bit < 8; ++bit) {
    if (params[3] & (1u << bit)) error.expected.push_back(vocabulary[(bit + params[2]) % 10]);
  }
  return error;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kolvi;
  if (size < 1) return 0;
  const std::size_t error_count = 1 + (data[0] >> 2) % 3;
  const std::size_t header = 1 + 4 * error_count;
  if (size < header) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data + header), size - header);
  if (!utf8::is_valid(text)) return 0;
  std::vector<ParseError> errors;
  for (std::size_t i = 0; i < error_count; ++i)
    errors.push_back(make_error(data + 1 + 4 * i, text));
  fuzz::check_reports(errors, text, source_names[data[0] % 4]);
  return 0;
}
