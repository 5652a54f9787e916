#!/usr/bin/env bash
# A million rows in SQL: formix_molar_mass against length (bench/sql/scan.py).
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DFORMIX_BUILD_TESTS=OFF >/dev/null
cmake --build build-bench -j2 --target formix_sqlite formix_postgres >/dev/null
mkdir -p build-bench/python
c++ -O2 -std=c++17 -o build-bench/python/write_corpus bench/python/write_corpus.cpp
build-bench/python/write_corpus > build-bench/python/corpus.txt
python3 bench/sql/scan.py build-bench build-bench/python/corpus.txt
