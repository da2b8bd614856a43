#pragma once

#include <string>

namespace kolvi::version {

// The display and debug forms of any version kind as a fresh string; each kind provides
// append_display and append_debug, which build the form in one reserved buffer.
template <class Value>
std::string display(const Value& value) {
  std::string out;
  append_display(out, value);
  return out;
}

template <class Value>
std::string debug(const Value& value) {
  std::string out;
  append_debug(out, value);
  return out;
}

}  // namespace kolvi::version
