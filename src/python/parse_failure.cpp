// The RuntimeError of a failed parse: the report laid out, written into a str, then raised.
#include "python/parse_failure.hpp"

#include <array>
#include <cstring>
#include <utility>

#include "diagnostics/plain_report.hpp"
#include "diagnostics/report.hpp"
#include "python/ref.hpp"
#include "text/terminal_colour.hpp"

namespace kolvi::python {

namespace {

// Reports of short input surely fit this many UCS-2 units: they are written once, into the
// stack, and copied into a str of their length. Longer ones are measured, then written in place.
constexpr std::size_t kScratchUnits = 4096;

Ref new_str(const diagnostics::ReportText::Extent& extent) {
  return Ref::steal(PyUnicode_New(static_cast<Py_ssize_t>(extent.length),
                                  static_cast<Py_UCS4>(extent.max_code_point)));
}

// Writes the report into a str made for its extent, in the str's own code unit.
void write_into(const diagnostics::ReportText& report, PyObject* str) {
  switch (PyUnicode_KIND(str)) {
    case PyUnicode_1BYTE_KIND:
      report.write(PyUnicode_1BYTE_DATA(str));
      break;
    case PyUnicode_2BYTE_KIND:
      report.write(PyUnicode_2BYTE_DATA(str));
      break;
    default:
      report.write(PyUnicode_4BYTE_DATA(str));
      break;
  }
}

// The plain report's length is known without writing it, so it goes straight into its str.
Ref plain_report_str(const diagnostics::PlainReport& report) {
  Ref str =
      Ref::steal(PyUnicode_New(static_cast<Py_ssize_t>(report.length()),
                               static_cast<Py_UCS4>(diagnostics::PlainReport::kMaxCodePoint)));
  if (str) report.write(PyUnicode_2BYTE_DATA(str.get()));
  return str;
}

Ref report_str(const diagnostics::ReportText& report) {
  if (report.length_bound() <= kScratchUnits) {
    std::array<Py_UCS2, kScratchUnits> scratch;
    const diagnostics::ReportText::Extent extent = report.write(scratch.data());
    // A code point past U+FFFF did not fit the scratch units: such a report takes the long way.
    if (extent.max_code_point <= 0xFFFF) {
      Ref str = new_str(extent);
      if (!str) return str;
      if (PyUnicode_KIND(str.get()) == PyUnicode_2BYTE_KIND) {
        std::memcpy(PyUnicode_2BYTE_DATA(str.get()), scratch.data(),
                    extent.length * sizeof(Py_UCS2));
      } else {
        write_into(report, str.get());
      }
      return str;
    }
  }
  Ref str = new_str(report.measure());
  if (str) write_into(report, str.get());
  return str;
}

// The report as a new str, or null with the interpreter's exception set. A raw reference rather
// than a Ref: returned in a register, it leaves all six arguments in registers too.
PyObject* new_report_str(std::span<const version::ParseError> errors, std::string_view text,
                         std::string_view source_name) {
  const bool colour = text::report_colour_enabled();
  if (!colour) {
    const diagnostics::PlainReport plain(errors, text, source_name);
    if (plain.holds()) return plain_report_str(plain).release();
  }
  return report_str(diagnostics::ReportText(errors, text, source_name, colour)).release();
}

// RuntimeError(message), made by the type's tp_new alone: calling the type would run the
// generic call machinery and then tp_init, which only stores the same argument tuple again.
Ref new_runtime_error(PyObject* message) {
  auto* type = reinterpret_cast<PyTypeObject*>(PyExc_RuntimeError);
  const Ref args = Ref::steal(PyTuple_New(1));
  if (!args) return Ref();
  PyTuple_SET_ITEM(args.get(), 0, Py_NewRef(message));
  return Ref::steal(type->tp_new(type, args.get(), nullptr));
}

// Raised as it is when no exception is being handled; otherwise PyErr_SetObject, which given an
// instance also raises it as it is, chains the handled exception as its __context__.
void set_raised(Ref error) {
  if (PyObject* handled = PyErr_GetHandledException()) {
    Py_DECREF(handled);
    PyErr_SetObject(PyExc_RuntimeError, error.get());
    return;
  }
  PyErr_SetRaisedException(error.release());
}

}  // namespace

PyObject* raise_parse_report(std::span<const version::ParseError> errors, std::string_view text,
                             std::string_view source_name) {
  const Ref message = Ref::steal(new_report_str(errors, text, source_name));
  if (!message) return nullptr;
  Ref error = new_runtime_error(message.get());
  if (error) set_raised(std::move(error));
  return nullptr;
}

}  // namespace kolvi::python
