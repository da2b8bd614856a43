// Version: equality and the text forms of the wrapper around one kind.
#include "version/version.hpp"

namespace kolvi::version {

// std::visit throws only for a valueless variant, which a Version never is: its kinds move
// without throwing, and a copy is made in full before it replaces a value.
// NOLINTNEXTLINE(bugprone-exception-escape)
bool operator==(const Version& a, const Version& b) noexcept {
  return a.value() == b.value();
}

void append_display(std::string& out, const Version& v) {
  std::visit([&](const auto& held) { append_display(out, held); }, v.value());
}

void append_debug(std::string& out, const Version& v) {
  out += "Version::";
  std::visit([&](const auto& held) { append_debug(out, held); }, v.value());
}

}  // namespace kolvi::version
