// The RuntimeError of a failed parse, whose message is the parse's report.
#pragma once

#include <Python.h>

#include <span>
#include <string_view>

#include "version/parse_error.hpp"

namespace kolvi::python {

// Raises RuntimeError with the report of `errors` over `text` as its message and returns null.
// The report is written straight into a str of the right width: no UTF-8 text is built or decoded.
PyObject* raise_parse_report(std::span<const version::ParseError> errors, std::string_view text,
                             std::string_view source_name);

}  // namespace kolvi::python
