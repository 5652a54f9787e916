#!/usr/bin/env bash
# The npm package against mf-parser, and the package's size: bench/js/run.sh
# (needs emscripten, and the peers: cd tests/peers && npm ci).
set -euo pipefail
cd "$(dirname "$0")/../.."
js/build.sh build-wasm >/dev/null
mkdir -p build-bench/js
c++ -O2 -std=c++17 -o build-bench/js/write_corpus bench/python/write_corpus.cpp
build-bench/js/write_corpus 1 --plain > build-bench/js/corpus.tsv
node bench/js/bench.mjs build-bench/js/corpus.tsv
(cd js && npm pack --silent --pack-destination ../build-bench/js >/dev/null)
echo "package: $(ls -l build-bench/js/formix-*.tgz | awk '{print $5}') bytes packed (npm pack)"
echo "browser module: $(gzip -9c js/dist/formix-web.mjs | wc -c) bytes gzipped (wasm inside), web.js + core.js $(cat js/web.js js/core.js | gzip -9c | wc -c)"
