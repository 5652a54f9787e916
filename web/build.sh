#!/usr/bin/env bash
# Builds the page into a folder of static files: web/build.sh [SITE_DIR]
# (default build-web/site): the WebAssembly module (js/build.sh), the npm
# package's files and the page. Serve it with any static server.
set -euo pipefail
cd "$(dirname "$0")/.."
site=${1:-build-web/site}
# The modules, unless the caller built them (the tests: the fixture wasm_build).
if [ -z "${FORMIX_WASM_BUILT:-}" ]; then
  js/build.sh "${FORMIX_WASM_BUILD:-build-wasm}" >/dev/null || {
    status=$?
    echo "the page needs the WebAssembly modules, built with emscripten (apt-get install emscripten node-acorn)" >&2
    exit $status
  }
fi
if [ ! -f js/dist/formix-web.mjs ]; then
  echo "js/dist has no module: the page needs emscripten (apt-get install emscripten node-acorn)" >&2
  exit 77
fi
mkdir -p "$site/formix/dist"
cp web/index.html web/app.js web/style.css "$site/"
# The package's modules (the page imports web.js, which imports the rest).
cp js/*.js "$site/formix/"
cp js/dist/formix-web.mjs "$site/formix/dist/"
echo "$site"
