// Fuzzes parsing an Other from arbitrary UTF-8 text; an Other keeps its input unchanged.
#include "fuzz_checks.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kolvi;
  const auto parse = [](std::string_view text) {
    auto result = version::parse_other(text);
    if (result.ok()) fuzz::check(result.value().value == text, "Other value differs from input");
    return result;
  };
  return fuzz::check_parse(data, size, parse, version::source_name_of<version::Other>,
                           [](const version::Other& a, const version::Other& b) { return a == b; });
}
