#!/usr/bin/env sh
# The WebAssembly build and the npm package's tests, for CTest:
# js/test.sh BUILD_DIR  (77, "skipped", where emscripten is not installed;
# FORMIX_TOOL, when set, names the native tool to compare readings with).
set -eu
command -v emcmake >/dev/null 2>&1 || { echo "emscripten is not installed: skipped"; exit 77; }
here=$(dirname "$0")
"$here/build.sh" "$1"
cd "$here" && node --test test/
