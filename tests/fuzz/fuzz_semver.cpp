// Fuzzes parsing a SemVer from arbitrary UTF-8 text.
#include "fuzz_checks.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kolvi;
  return fuzz::check_parse(
      data, size, version::parse_semver, version::source_name_of<version::SemVer>,
      [](const version::SemVer& a, const version::SemVer& b) { return a == b; });
}
