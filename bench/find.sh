#!/usr/bin/env bash
# formix find beside mf-finder (npm) and a plain enumerator, in one run:
# builds bench_find, installs the peers (npm ci in tests/peers), runs both
# and prints, for each query, the times and the ratios.  The plain
# enumerator takes minutes at mass 1000 (`PLAIN=0` leaves it out).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DFORMIX_BENCHMARKS=ON -DFORMIX_BUILD_TESTS=OFF > /dev/null
cmake --build build-bench -j2 --target bench_find > /dev/null
(cd tests/peers && npm ci --no-audit --no-fund > /dev/null)
filter='BM_Find'
[ "${PLAIN:-1}" = 0 ] || filter='BM_Find|BM_PlainEnumerator'
ours=$(build-bench/bin/bench_find --benchmark_filter="$filter" --benchmark_min_time=0.5 --benchmark_format=csv 2>/dev/null)
peers=$(node bench/find_peers.mjs)
printf '%s\n' "$ours" > build-bench/find.csv
printf '%s\n' "$peers" | awk -v csv=build-bench/find.csv 'BEGIN {
  FS = ","
  while ((getline line < csv) > 0) {
    n = split(line, f, ",")
    name = f[1]; gsub(/"/, "", name)
    if (name ~ /^BM_Find\//) { split(name, p, "[/:]"); t[p[3] "," p[5] "," p[7]] = f[3] }
    if (name ~ /^BM_PlainEnumerator\//) { split(name, p, "[/:]"); plain[p[3] "," p[5]] = f[3] }
  }
  FS = " "
  mass[0] = 200; mass[1] = 500; mass[2] = 1000; ranges[0] = "organic"; ranges[1] = "12 elements"
  printf "%-6s %-12s %10s %12s %12s %12s %10s %10s\n", "mass", "ranges", "formulas", "formix (ms)", "with rules", "mf-finder", "ratio", "plain/formix"
}
$1 == "peer_find" {
  key = $2 "," $3
  ms = t[key ",0"] + 0; rules = t[key ",1"] + 0
  ratio = (key in plain) ? sprintf("%.0f", plain[key] / ms) : "-"
  printf "%-6d %-12s %10d %12.2f %12.2f %12.1f %10.0f %10s\n", mass[$2], ranges[$3], $5, ms, rules, $4, $4 / ms, ratio
}'
