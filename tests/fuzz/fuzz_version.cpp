// Fuzzes parsing a Version: the kind chosen for a text must be chosen again for
// its display form, and an Other-kind value keeps its input unchanged.
#include "fuzz_checks.hpp"

namespace {

void check_kind_forms(const kolvi::version::Version& v, std::string_view text) {
  using namespace kolvi;
  std::visit([](const auto& held) { fuzz::check_text_forms(held); }, v.value());
  if (const auto* other = v.get_if<version::Other>()) {
    fuzz::check(other->value == text, "Other value differs from input");
  }
  fuzz::check(version::debug(v).starts_with("Version::"), "debug form lacks the Version prefix");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kolvi;
  const auto parse = [](std::string_view text) {
    auto result = version::parse_version(text);
    if (result.ok()) check_kind_forms(result.value(), text);
    return result;
  };
  return fuzz::check_parse(data, size, parse, version::source_name_of<version::Version>,
                           [](const version::Version& a, const version::Version& b) {
                             return a.kind_rank() == b.kind_rank() && a == b;
                           });
}
