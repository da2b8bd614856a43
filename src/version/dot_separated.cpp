// The text forms of DotSeparated.
#include "version/dot_separated.hpp"

#include "version/text_form.hpp"

namespace kolvi::version {

void append_display(std::string& out, const DotSeparated& v) {
  out.reserve(out.size() + text_form::joined_size(v.parts));
  text_form::append_joined(out, v.parts);
}

void append_debug(std::string& out, const DotSeparated& v) {
  out.reserve(out.size() + 32 + 6 * text_form::joined_size(v.parts));
  out += "DotSeparated { parts: ";
  text_form::append_quoted_list(out, v.parts);
  out += " }";
}

}  // namespace kolvi::version
