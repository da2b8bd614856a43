// JSON text for the command's machine-readable reports: strings escaped for any byte they hold.
#pragma once

#include <string>
#include <string_view>

namespace kolvi::cli {

// Appends `text`, which must be valid UTF-8, as a JSON string: quotes, backslashes and control
// characters escaped, everything else (non-ASCII included) as its own UTF-8.
void append_json_string(std::string& out, std::string_view text);

}  // namespace kolvi::cli
