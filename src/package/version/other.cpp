#include "package/version/other.hpp"

#include "package/version/text_form.hpp"

namespace kolvi::version {

void append_display(std::string& out, const Other& v) { out += v.value; }

void append_debug(std::string& out, const Other& v) {
  out.reserve(out.size() + 20 + 2 * v.value.size());
  out += "Other { value: ";
  text_form::append_quoted(out, v.value);
  out += " }";
}

std::string display(const Other& v) { return v.value; }

std::string debug(const Other& v) {
  std::string out;
  append_debug(out, v);
  return out;
}

}  // namespace kolvi::version
