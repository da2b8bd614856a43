// Writes the KOLVI_EXPORT_RECORD(<index>) lines introspection.cpp includes, one per record:
// a symbol name needs a literal number, which only the preprocessor can paste.
#include <cstdio>

#include "python/introspection.hpp"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output file>\n", argv[0]);
    return 2;
  }
  std::FILE* out = std::fopen(argv[1], "w");
  if (out == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  std::fprintf(out, "// Generated from the API description by record_exports.cpp.\n");
  for (std::size_t index = 0; index < kolvi::python::introspection::kRecordCount; ++index) {
    std::fprintf(out, "KOLVI_EXPORT_RECORD(%zu)\n", index);
  }
  return std::fclose(out) == 0 ? 0 : 1;
}
