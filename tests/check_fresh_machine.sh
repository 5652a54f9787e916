#!/usr/bin/env bash
# Without emscripten, the scripts of the WebAssembly build, the npm package
# and the page skip (77) with a line naming the package, never fail: run
# from a copy of js/ and web/ with no module built, on a PATH without it.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin"
for c in sh bash node cmake dirname mkdir cp cat; do ln -s "$(command -v "$c")" "$work/bin/$c"; done
cp -r "$root/js" "$root/web" "$work/" && rm -rf "$work/js/dist"
failures=0
for run in "bash $work/js/build.sh $work/wasm" "sh $work/js/test.sh" "bash $work/web/build.sh $work/site" \
           "bash $work/web/serve.sh 8999"; do
  out=$(PATH="$work/bin" $run 2>&1)
  status=$?
  if [ "$status" -eq 77 ] && [[ "$out" == *"apt-get install emscripten"* ]]; then echo "ok   $run"; else
    echo "FAIL $run -> $status: $out"
    failures=$((failures + 1))
  fi
done
exit $((failures > 0))
