// write_corpus.cpp -- the realistic corpus (bench/realistic.h), one formula
// a line, for the benchmarks of the tool, Python and the npm package:
// write_corpus [REPEAT] [--plain] (--plain: each line also holds, after a
// tab, the same compound spelled for peers that know fewer notations).
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "../realistic.h"

int main(int argc, char** argv) {
  const int repeat = argc > 1 ? std::atoi(argv[1]) : 1;
  const bool plain = argc > 2 && std::strcmp(argv[2], "--plain") == 0;
  const auto corpus = formix::bench::RealisticFormulas();
  for (int r = 0; r < repeat; ++r) {
    for (const auto& f : corpus) {
      if (plain) {
        std::printf("%s\t%s\n", f.formula.c_str(), f.plain.c_str());
      } else {
        std::printf("%s\n", f.formula.c_str());
      }
    }
  }
  return 0;
}
