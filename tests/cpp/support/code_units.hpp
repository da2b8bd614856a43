// Code units read back as UTF-8, for the tests and fuzz checks of the writers that fill them.
#pragma once

#include <span>
#include <string>

#include "text/utf8.hpp"

namespace kolvi::testing {

// The UTF-8 text of code units that each hold a whole code point (Latin-1, UCS-2, UCS-4).
template <class Unit>
std::string utf8_of_units(std::span<const Unit> units) {
  std::string out;
  for (const Unit unit : units)
    utf8::append(out, static_cast<char32_t>(unit));
  return out;
}

}  // namespace kolvi::testing
