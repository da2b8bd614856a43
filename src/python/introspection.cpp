// The exported introspection records. Each symbol is named KOLVI_INTROSPECTION_0_<index>, where
// <index> is the record's position in introspection::kRecords; it holds a pointer to the
// record's JSON text and the text's length. The pointer needs a load-time relocation, so the
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

static_assert(kolvi::python::introspection::kRecordCount == 58,
              "export one KOLVI_EXPORT_RECORD line per record below");

KOLVI_EXPORT_RECORD(0)
KOLVI_EXPORT_RECORD(1) KOLVI_EXPORT_RECORD(2) KOLVI_EXPORT_RECORD(3) KOLVI_EXPORT_RECORD(
    4) KOLVI_EXPORT_RECORD(5) KOLVI_EXPORT_RECORD(6) KOLVI_EXPORT_RECORD(7) KOLVI_EXPORT_RECORD(8)
    KOLVI_EXPORT_RECORD(9) KOLVI_EXPORT_RECORD(10) KOLVI_EXPORT_RECORD(11) KOLVI_EXPORT_RECORD(
        12) KOLVI_EXPORT_RECORD(13) KOLVI_EXPORT_RECORD(14) KOLVI_EXPORT_RECORD(15)
        KOLVI_EXPORT_RECORD(16) KOLVI_EXPORT_RECORD(17) KOLVI_EXPORT_RECORD(18) KOLVI_EXPORT_RECORD(
            19) KOLVI_EXPORT_RECORD(20) KOLVI_EXPORT_RECORD(21) KOLVI_EXPORT_RECORD(22)
            KOLVI_EXPORT_RECORD(23) KOLVI_EXPORT_RECORD(24) KOLVI_EXPORT_RECORD(
                25) KOLVI_EXPORT_RECORD(26) KOLVI_EXPORT_RECORD(27) KOLVI_EXPORT_RECORD(28)
                KOLVI_EXPORT_RECORD(29) KOLVI_EXPORT_RECORD(30) KOLVI_EXPORT_RECORD(31)
                    KOLVI_EXPORT_RECORD(32) KOLVI_EXPORT_RECORD(33) KOLVI_EXPORT_RECORD(34)
                        KOLVI_EXPORT_RECORD(35) KOLVI_EXPORT_RECORD(36) KOLVI_EXPORT_RECORD(37)
                            KOLVI_EXPORT_RECORD(38) KOLVI_EXPORT_RECORD(39) KOLVI_EXPORT_RECORD(40)
                                KOLVI_EXPORT_RECORD(41) KOLVI_EXPORT_RECORD(42)
                                    KOLVI_EXPORT_RECORD(43) KOLVI_EXPORT_RECORD(44)
                                        KOLVI_EXPORT_RECORD(45) KOLVI_EXPORT_RECORD(46)
                                            KOLVI_EXPORT_RECORD(47) KOLVI_EXPORT_RECORD(48)
                                                KOLVI_EXPORT_RECORD(49) KOLVI_EXPORT_RECORD(50)
                                                    KOLVI_EXPORT_RECORD(51) KOLVI_EXPORT_RECORD(52)
                                                        KOLVI_EXPORT_RECORD(53)
                                                            KOLVI_EXPORT_RECORD(54)
                                                                KOLVI_EXPORT_RECORD(55)
                                                                    KOLVI_EXPORT_RECORD(56)
                                                                        KOLVI_EXPORT_RECORD(57)

#undef KOLVI_EXPORT_RECORD
