#!/bin/sh
# Compares the dynamic symbols a shared library defines with a list.
# usage: check_exports.sh LIBRARY EXPECTED_LIST
set -eu
actual=$(nm -D --defined-only "$1" | awk '{print $3}' | sed 's/@.*//' | sort)
expected=$(sort "$2")
if [ "$actual" != "$expected" ]; then
  echo "exported symbols differ from $2:"
  printf '%s\n' "$actual" > /tmp/formix_exports.$$
  printf '%s\n' "$expected" | diff - /tmp/formix_exports.$$ || true
  rm -f /tmp/formix_exports.$$
  exit 1
fi
echo "exports ok: $(echo "$actual" | tr '\n' ' ')"
