#!/usr/bin/env bash
# A machine without emscripten: the tests that need it are skipped (77)
# with one line naming the package, never failed, and the page's scripts
# say what they need.  Runs each script from a copy of js/ and web/ with
# no module built, on a PATH without emscripten's commands.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin"
# The commands the scripts use, but not emscripten's.
for c in sh bash node cmake dirname mkdir cp cat; do
  p=$(command -v "$c") && ln -s "$p" "$work/bin/$c"
done
cp -r "$root/js" "$root/web" "$work/"
rm -rf "$work/js/dist"
failures=0
expect() {  # expect STATUS TEXT COMMAND...
  local status=$1 text=$2
  shift 2
  out=$(PATH="$work/bin" "$@" 2>&1)
  got=$?
  if [ "$got" -eq "$status" ] && [[ "$out" == *"$text"* ]]; then
    echo "ok   $* -> $got: $out"
  else
    echo "FAIL $* -> $got (expected $status, '$text'): $out"
    failures=$((failures + 1))
  fi
}
expect 77 "apt-get install emscripten" bash "$work/js/build.sh" "$work/wasm"
expect 77 "apt-get install emscripten" sh "$work/js/test.sh"
expect 77 "apt-get install emscripten" bash "$work/web/build.sh" "$work/site"
expect 77 "apt-get install emscripten" bash "$work/web/serve.sh" 8999
exit $((failures > 0))
