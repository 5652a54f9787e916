#!/usr/bin/env bash
# Builds and runs the benchmarks: bench/run.sh [benchmark options...]
set -euo pipefail
cd "$(dirname "$0")/.."
need=()
for p in libbenchmark-dev libxrl-dev libfast-float-dev pkg-config; do
  dpkg -s "$p" >/dev/null 2>&1 || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${need[@]}"
fi
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DFORMIX_BENCHMARKS=ON -DFORMIX_BUILD_TESTS=OFF
cmake --build build-bench -j2 --target bench_formix
exec build-bench/bin/bench_formix "$@"
