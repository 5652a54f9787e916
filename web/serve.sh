#!/usr/bin/env bash
# Builds the page and serves it on http://localhost:8000/ : web/serve.sh [PORT]
set -euo pipefail
cd "$(dirname "$0")/.."
site=$(web/build.sh)
echo "formix page: http://localhost:${1:-8000}/"
exec python3 -m http.server "${1:-8000}" --directory "$site"
