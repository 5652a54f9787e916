#!/usr/bin/env bash
# Runs each libFuzzer target for a while; fails on any finding.
# usage: fuzz/run.sh BUILD_DIR SECONDS [TARGET...]   (default: every fuzz_* program the build made)
set -euo pipefail
build=$1
seconds=$2
shift 2
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for program in "$build"/bin/fuzz_*; do
    name=${program##*/fuzz_}
    case $name in *_replay) ;; *) targets+=("$name") ;; esac
  done
fi
[ ${#targets[@]} -gt 0 ] || { echo "no fuzz target in $build/bin"; exit 1; }
here=$(cd "$(dirname "$0")" && pwd)
# The shipped data files, so that the toolkit's lists (isotopes, adducts,
# abbreviations) are read and the code behind them is reached.
export FORMIX32_DATA_DIR=${FORMIX32_DATA_DIR:-$here/../data}
status=0
for t in "${targets[@]}"; do
  work="$build/fuzz-work/$t"
  mkdir -p "$work/corpus" "$work/artifacts"
  cp -n "$here/corpus/$t"/* "$work/corpus/" 2>/dev/null || true
  echo "== fuzz_$t for ${seconds}s"
  # The target's regressions, where it has any (libFuzzer stops at a
  # directory that is not there).
  inputs=("$work/corpus")
  [ -d "$here/regressions/$t" ] && inputs+=("$here/regressions/$t")
  # -timeout: an input that takes a second is a finding (reading is linear);
  # an isotope pattern's work is bounded by its budget of products
  # (kWorkBudget, about 0.15 s built for release), which takes some 2 s
  # under the sanitizers: five seconds there.
  timeout=1
  [ "$t" = pattern ] && timeout=5
  if ! "$build/bin/fuzz_$t" -max_total_time="$seconds" -dict="$here/formix.dict" -timeout="$timeout" \
       -artifact_prefix="$work/artifacts/" -print_final_stats=1 \
       "${inputs[@]}" > "$work/log.txt" 2>&1; then
    echo "fuzz_$t found a failure; input in $work/artifacts:"
    ls "$work/artifacts"
    tail -40 "$work/log.txt"
    status=1
  else
    grep -E "stat::number_of_executed_units|Done" "$work/log.txt" | tail -2
  fi
done
exit $status
