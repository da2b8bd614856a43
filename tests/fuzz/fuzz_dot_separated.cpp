// Fuzzes parsing a DotSeparated from arbitrary UTF-8 text.
#include "fuzz_checks.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kolvi;
  return fuzz::check_parse(
      data, size, version::parse_dot_separated, version::source_name_of<version::DotSeparated>,
      [](const version::DotSeparated& a, const version::DotSeparated& b) { return a == b; });
}
