#!/usr/bin/env sh
# The page in a real browser, for CTest: web/test.sh OUT_DIR (the site,
# then the screenshots, under OUT_DIR). 77, "skipped", where emscripten,
# chromium or playwright-core (cd web && npm ci) is missing.
set -eu
command -v emcmake >/dev/null 2>&1 || { echo "emscripten is not installed: skipped"; exit 77; }
[ -x "${CHROMIUM:-/usr/bin/chromium}" ] || { echo "chromium is not installed: skipped"; exit 77; }
here=$(cd "$(dirname "$0")" && pwd)
[ -d "$here/node_modules/playwright-core" ] || { echo "playwright-core is missing (cd web && npm ci): skipped"; exit 77; }
"$here/build.sh" "$1/site" >/dev/null
SITE="$1/site" SCREENSHOTS="$1/screenshots" node --test "$here/test/"
echo "screenshots: $1/screenshots"
