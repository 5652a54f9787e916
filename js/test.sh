#!/usr/bin/env sh
# The npm package's tests over the modules js/build.sh built (the CTest
# fixture wasm_build): js/test.sh.  FORMIX_TOOL, when set, names the native
# tool to compare readings with.
set -eu
cd "$(dirname "$0")"
if [ ! -f dist/formix-node.cjs ]; then
  # Without emscripten there is no module to test: skipped (77), saying what to install.
  command -v emcmake >/dev/null 2>&1 || { echo "emscripten is not installed (apt-get install emscripten): skipped"; exit 77; }
  echo "js/dist has no module: run js/build.sh"
  exit 1
fi
node --test test/
