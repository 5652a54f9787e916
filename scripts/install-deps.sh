#!/usr/bin/env bash
# Installs the Debian packages of scripts/debian-packages.txt that this
# machine lacks (as root; the i386 architecture is added for wine32).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
export DEBIAN_FRONTEND=noninteractive
mapfile -t packages < <(grep -v '^\s*#' "$here/debian-packages.txt" | grep -v '^\s*$')
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  # A mirror in the middle of a sync fails an index now and then: try again,
  # then go on with what was fetched (the install says what is missing).
  for attempt in 1 2 3; do
    apt-get update && break
    echo "apt-get update failed (attempt $attempt of 3)" >&2
    sleep 15
  done
  if ! apt-get install -y --no-install-recommends "${missing[@]}"; then
    # With one architecture's security index missing, the two architectures'
    # candidates of a shared library differ and wine32 cannot be resolved:
    # take the release's own versions (its point release), which both have.
    echo "install failed; trying again with the release's own versions (-t bookworm)" >&2
    apt-get install -y --no-install-recommends -t bookworm "${missing[@]}"
  fi
fi
