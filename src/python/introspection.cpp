// The exported introspection records. Each symbol is named KOLVI_INTROSPECTION_0_<index>, where
// <index> is the record's position in introspection::kRecords; it holds a pointer to the
// record's JSON text and the text's length. The build writes the list of exports (one line per
// record) from the same description. The pointer needs a load-time relocation, so the
// const symbols land in .data.rel.ro; the texts themselves are in .rodata.
#include "python/introspection.hpp"

namespace kolvi::python::introspection {
namespace {

// Internal linkage keeps the texts out of the dynamic symbol table (a vague-linkage template
// variable would be exported as a unique symbol despite hidden visibility).
template <std::size_t index>
constexpr auto kRecordText = render_record<index>();

template <std::size_t index>
constexpr RecordSymbol symbol_for() {
  return {kRecordText<index>.data(), kRecordText<index>.size()};
}

}  // namespace
}  // namespace kolvi::python::introspection

// The library is built with hidden visibility; these and PyInit_kolvi are the only exports.
#define KOLVI_EXPORT_RECORD(index)                                                            \
  extern "C" __attribute__((visibility("default"),                                            \
                            used)) constinit const kolvi::python::introspection::RecordSymbol \
      KOLVI_INTROSPECTION_0_##index = kolvi::python::introspection::symbol_for<index>();

#include "record_exports.inc"

#undef KOLVI_EXPORT_RECORD
