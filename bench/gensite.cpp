// gensite ROOT [DOCUMENTS]: writes a synthetic site for the benchmarks.
#include <cstdio>
#include <cstdlib>

#include "bench/site_generator.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: gensite ROOT [DOCUMENTS]\n");
    return 2;
  }
  SiteShape shape;
  if (argc > 2) shape.documents = std::atoi(argv[2]);
  int n = GenerateSite(argv[1], shape);
  if (n < 0) {
    std::fprintf(stderr, "gensite: cannot write below %s\n", argv[1]);
    return 1;
  }
  std::printf("%d documents below %s\n", n, argv[1]);
  return 0;
}
