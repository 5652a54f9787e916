#!/usr/bin/env bash
# formix's exact masses and isotope patterns beside the npm peers, in one
# run: builds bench_exact, installs the peers (npm ci in tests/peers), runs
# both and prints the ratios.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DFORMIX_BENCHMARKS=ON -DFORMIX_BUILD_TESTS=OFF > /dev/null
cmake --build build-bench -j2 --target bench_exact > /dev/null
(cd tests/peers && npm ci --no-audit --no-fund > /dev/null)
ours=$(build-bench/bin/bench_exact --benchmark_min_time=0.5 --benchmark_format=csv 2>/dev/null)
mono=$(printf '%s\n' "$ours" | awk -F, '/BM_Monoisotopic/ {print $3}')  # ns per pass over 50 formulas
pattern=$(printf '%s\n' "$ours" | awk -F, '/BM_PeptidePattern/ {print $3}')  # ms
peers=$(node bench/peers.mjs)
peer_mono=$(printf '%s\n' "$peers" | awk '/peer_monoisotopic_ns/ {print $2}')
peer_pattern=$(printf '%s\n' "$peers" | awk '/peer_pattern_ms/ {print $2}')
awk -v m="$mono" -v p="$pattern" -v pm="$peer_mono" -v pp="$peer_pattern" 'BEGIN {
  printf "monoisotopic [M+H]+ m/z per formula: formix %.0f ns, mf-parser %.0f ns: mf-parser / formix = %.1f\n", m / 50, pm, pm / (m / 50)
  printf "pattern of C254H377N65O75S6 at R = 10,000: formix %.3f ms, isotopic-distribution %.3f ms: ratio %.1f\n", p, pp, pp / p
}'
