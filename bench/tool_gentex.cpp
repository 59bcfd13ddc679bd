// gentex KIND OUT: writes one of the generated code page 932 TeX sources, for timing whole
// programs on the same bytes the benchmarks use.
#include <cstdio>
#include <string>

#include "common/TexGenerator.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: gentex small|100k|1m|longline OUT\n");
    return 2;
  }
  const auto kind = mirev_bench::ParseTexKind(argv[1]);
  if (!kind) {
    std::fprintf(stderr, "gentex: unknown kind '%s' (small, 100k, 1m, longline)\n", argv[1]);
    return 2;
  }
  const std::string bytes = mirev_bench::GenerateTex(*kind);
  std::string error;
  if (!mirev_bench::WriteFileBytes(argv[2], bytes, &error)) {
    std::fprintf(stderr, "gentex: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
