// write_corpus.cpp -- the realistic corpus (bench/realistic.h), one formula
// a line, for the benchmarks of the tool and of Python.
#include <cstdio>
#include <cstdlib>

#include "../realistic.h"

int main(int argc, char** argv) {
  const int repeat = argc > 1 ? std::atoi(argv[1]) : 1;
  const auto corpus = formix::bench::RealisticFormulas();
  for (int r = 0; r < repeat; ++r) {
    for (const auto& f : corpus) std::printf("%s\n", f.formula.c_str());
  }
  return 0;
}
