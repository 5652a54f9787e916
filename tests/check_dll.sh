#!/bin/sh
# Checks a DLL's export table against a list of plain names, and that it
# imports from no DLL but KERNEL32, USER32 and msvcrt.
# usage: check_dll.sh DLL EXPECTED_LIST
set -eu
dump=$(i686-w64-mingw32-objdump -p "$1")
exports=$(printf '%s\n' "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
          sed -n 's/^[[:space:]]*\[ *[0-9]*\] //p' | sort)
expected=$(sort "$2")
if [ "$exports" != "$expected" ]; then
  echo "exports differ from $2:"
  printf '%s\n' "$exports"
  exit 1
fi
imports=$(printf '%s\n' "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'a-z' 'A-Z' | sort -u)
for dll in $imports; do
  case "$dll" in
    KERNEL32.DLL|USER32.DLL|MSVCRT.DLL) ;;
    *) echo "unexpected import: $dll"; exit 1 ;;
  esac
done
echo "exports ok: $(echo "$exports" | tr '\n' ' ')"
echo "imports ok: $(echo "$imports" | tr '\n' ' ')"
