#!/usr/bin/env bash
# Builds the WebAssembly modules of the toolkit into js/dist: js/build.sh
# [BUILD_DIR] (the `wasm` preset of CMakePresets.json, configured once;
# later runs only rebuild what changed).  Needs Debian's emscripten and
# node-acorn (its JavaScript optimizer); 77 ("skipped") without emscripten.
# `ctest --test-dir BUILD_DIR` then holds the engine's results under node to
# the golden ones.
set -euo pipefail
command -v emcmake >/dev/null 2>&1 || {
  echo "emscripten is not installed (apt-get install emscripten node-acorn): skipped" >&2
  exit 77
}
cd "$(dirname "$0")/.."
build=${1:-build-wasm}
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
if [ ! -f "$build/CMakeCache.txt" ]; then
  emcmake cmake --preset wasm -B "$build" -Wno-dev >/dev/null
fi
cmake --build "$build" -j2 --target formix_wasm_node formix_wasm_web golden_writer_wasm
mkdir -p js/dist
cp -p "$build/bin/formix-node.cjs" "$build/bin/formix-web.mjs" js/dist/
