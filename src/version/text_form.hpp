// The display and debug forms of every version kind, and the pieces they are built from.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "version/text_list.hpp"

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

// Pieces shared by the display and debug forms of every version kind.
namespace kolvi::version::text_form {

// Texts joined by ".", written unchanged.
void append_joined(std::string& out, const TextList& list);

// The text between double quotes, with control, invisible and combining
// characters escaped so that the debug form is unambiguous and on one line.
void append_quoted(std::string& out, std::string_view text);

// ["a", "b"]
void append_quoted_list(std::string& out, const TextList& list);

// At least the bytes append_joined writes, so that each form reserves once.
std::size_t joined_size(const TextList& list) noexcept;

}  // namespace kolvi::version::text_form
