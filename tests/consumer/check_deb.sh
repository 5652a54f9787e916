#!/bin/sh
# Builds the Debian package of a build tree and checks its metadata and
# contents, then runs the packaged tool from an unpacked copy.
# usage: check_deb.sh BUILD_DIR WORK_DIR
set -eu
build=$1
work=$2
rm -rf "$work"
mkdir -p "$work"
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" > cpack.log)
deb=$(ls "$work"/formix32_*.deb)
info=$(dpkg-deb -I "$deb")
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
fail() { echo "$1"; exit 1; }
for field in "Package: formix32" "Version: 1.0.0" "Architecture: amd64" "Depends: libc6" "Section: science"; do
  printf '%s\n' "$info" | grep -q "^ $field" || fail "missing metadata: $field"
done
for file in ./usr/lib/libformix32.so.1.0.0 ./usr/lib/libformix32.so.1 ./usr/lib/libformix32.so \
            ./usr/include/formix32.h ./usr/share/formix32/mass.elt ./usr/share/formix32/mass.gps \
            ./usr/bin/formix ./usr/share/man/man1/formix.1 ./usr/lib/pkgconfig/formix32.pc \
            ./usr/lib/cmake/formix32/formix32Config.cmake ./usr/share/doc/formix32/LICENSE \
            ./usr/lib/python3/dist-packages/formix32/__init__.py ./usr/lib/libformix.so.0 \
            ./usr/include/formix.h ./usr/lib/pkgconfig/formix.pc ./usr/share/formix32/abbrev.txt; do
  printf '%s\n' "$contents" | grep -qx "$file" || fail "missing from the package: $file"
done
dpkg-deb -x "$deb" "$work/root"
out=$(cd / && "$work/root/usr/bin/formix" 'CuSO4*5H2O')
[ "$out" = "CuSO4*5H2O	249.6770" ] || fail "packaged formix printed: $out"
echo "$(basename "$deb"): metadata, $(printf '%s\n' "$contents" | wc -l) entries and the tool ok"
