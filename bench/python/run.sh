#!/usr/bin/env bash
# Speed of the Python package (bench/python/bench.py) on the realistic
# corpus: bench/python/run.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DFORMIX_BENCHMARKS=ON -DFORMIX_BUILD_TESTS=OFF >/dev/null
cmake --build build-bench -j2 --target formix32 formix_toolkit >/dev/null
mkdir -p build-bench/python
c++ -O2 -std=c++17 -o build-bench/python/write_corpus bench/python/write_corpus.cpp
build-bench/python/write_corpus > build-bench/python/corpus.txt
FORMIX_LIBRARY="$PWD/build-bench/lib/libformix.so" FORMIX32_DATA_DIR="$PWD/data" PYTHONPATH="$PWD/python" \
  python3 bench/python/bench.py build-bench/python/corpus.txt "$PWD/build-bench/lib/libformix32.so"
if /usr/bin/python3 -c "import pandas" 2>/dev/null; then
  FORMIX_LIBRARY="$PWD/build-bench/lib/libformix.so" FORMIX32_DATA_DIR="$PWD/data" PYTHONPATH="$PWD/python" \
    /usr/bin/python3 bench/python/series.py build-bench/python/corpus.txt
fi
