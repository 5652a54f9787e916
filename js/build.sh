#!/usr/bin/env bash
# Builds the WebAssembly modules of the toolkit into js/dist and checks the
# engine's golden results under node: js/build.sh [BUILD_DIR]
# Needs Debian's emscripten and node-acorn (its JavaScript optimizer).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-wasm}
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
emcmake cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DFORMIX_BUILD_TESTS=OFF -DFORMIX_BUILD_TOOL=OFF \
  -Wno-dev >/dev/null
cmake --build "$build" -j2 --target formix_wasm_node formix_wasm_web golden_writer_wasm
ctest --test-dir "$build" --output-on-failure
mkdir -p js/dist
cp "$build/bin/formix-node.cjs" "$build/bin/formix-web.mjs" js/dist/
