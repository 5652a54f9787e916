#!/usr/bin/env bash
# The cost of loading the libraries: dlopen plus the first call, in fresh
# processes, against a trivial C library.  bench/load/run.sh [RUNS] [EXTRA_LIBRARY...]
# (extra libraries, such as an older build, are measured beside them).
set -euo pipefail
cd "$(dirname "$0")/../.."
runs=${1:-200}
shift || true
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DFORMIX_BENCHMARKS=ON -DFORMIX_BUILD_TESTS=OFF >/dev/null
cmake --build build-bench -j2 --target formix32 formix_toolkit >/dev/null
out=build-bench/load
mkdir -p "$out"
cc -O2 -o "$out/loader" bench/load/loader.c -ldl
cc -O2 -shared -fPIC -o "$out/libtrivial.so" bench/load/trivial.c
libraries=("$out/libtrivial.so" build-bench/lib/libformix32.so build-bench/lib/libformix.so "$@")
# The data files beside the libraries, as installed.
export FORMIX32_DATA_DIR="$PWD/data"
declare -A times
for ((i = 0; i < runs; ++i)); do
  for lib in "${libraries[@]}"; do
    times[$lib]+="$("$out/loader" "$lib") "
  done
done
trivial=""
for lib in "${libraries[@]}"; do
  median=$(printf '%s\n' ${times[$lib]} | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
  [ -z "$trivial" ] && trivial=$median
  printf '%-60s %8.1f us  %5.2f x trivial\n' "$lib" "$median" "$(echo "$median / $trivial" | bc -l)"
done
