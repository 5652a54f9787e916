#!/usr/bin/env sh
# The npm package's tests over the modules js/build.sh built (the CTest
# fixture wasm_build): js/test.sh.  FORMIX_TOOL, when set, names the native
# tool to compare readings with.
set -eu
cd "$(dirname "$0")"
[ -f dist/formix-node.cjs ] || { echo "js/dist has no module: run js/build.sh"; exit 1; }
node --test test/
