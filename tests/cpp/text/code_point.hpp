// Names code points in test failures the way the Unicode standard writes them.
#pragma once

#include <cstdio>
#include <string>

namespace kolvi::unicode {

inline std::string code_point_name(char32_t c) {
  char name[16];
  std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(c));
  return name;
}

}  // namespace kolvi::unicode
