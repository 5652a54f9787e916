#!/usr/bin/env sh
# The page in a real browser, for CTest: web/test.sh OUT_DIR (the site,
# then the screenshots, under OUT_DIR), over the modules of js/dist (the
# fixture wasm_build) and playwright-core (the fixture npm_web).  77,
# "skipped", where chromium is not installed.
set -eu
[ -x "${CHROMIUM:-/usr/bin/chromium}" ] || { echo "chromium is not installed (apt-get install chromium): skipped"; exit 77; }
here=$(cd "$(dirname "$0")" && pwd)
FORMIX_WASM_BUILT=1 "$here/build.sh" "$1/site" >/dev/null
SITE="$1/site" SCREENSHOTS="$1/screenshots" node --test "$here/test/"
echo "screenshots: $1/screenshots"
