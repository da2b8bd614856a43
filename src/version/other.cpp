// The text forms of Other.
#include "version/other.hpp"

#include "version/text_form.hpp"

namespace kolvi::version {

void append_display(std::string& out, const Other& v) {
  out += v.value;
}

void append_debug(std::string& out, const Other& v) {
  out.reserve(out.size() + 20 + 2 * v.value.size());
  out += "Other { value: ";
  text_form::append_quoted(out, v.value);
  out += " }";
}

}  // namespace kolvi::version
