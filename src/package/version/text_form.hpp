#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "package/version/text_list.hpp"

// Pieces shared by the display and debug forms of every version kind.
namespace kolvi::version::text_form {

void append_number(std::string& out, std::uint32_t number);

// Texts joined by ".", written unchanged.
void append_joined(std::string& out, const TextList& list);

// The text between double quotes, with control, invisible and combining
// characters escaped so that the debug form is unambiguous and on one line.
void append_quoted(std::string& out, std::string_view text);

// ["a", "b"]
void append_quoted_list(std::string& out, const TextList& list);

// Bytes a form needs besides the texts themselves, so each form reserves once.
std::size_t joined_size(const TextList& list) noexcept;

}  // namespace kolvi::version::text_form
