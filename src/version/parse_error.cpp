// The one-line message of a parse error, as a std::string.
#include "version/parse_error.hpp"

#include "text/text_sink.hpp"

namespace kolvi::version {

std::string ParseError::message() const {
  std::string out;
  text::Utf8Sink sink(out);
  write_message(sink);
  return out;
}

}  // namespace kolvi::version
