#!/bin/sh
# Installs the build into a temporary prefix, then builds and runs the
# docs/install.md's programs against the installed copy through find_package and
# through its own pkg-config commands, from a directory holding
# no data files; then imports the installed Python package with Debian's
# python3 from outside the source tree.
# usage: run.sh BUILD_DIR WORK_DIR
set -eu
build=$1
work=$2
here=$(cd "$(dirname "$0")" && pwd)
readme="$here/../../docs/install.md"
rm -rf "$work"
mkdir -p "$work"
prefix="$work/prefix"

expected_consumer="CuSO4*5H2O 249.68
K4[Fe(CN)6] 368.35
Ph2CO 182.22"
# The reader's output, as docs/install.md shows it.
expected_reader=$(awk '/^and `out\/reader` prints/{f=1; next} f && /^```$/{n++; if (n==2) exit; next} f && n==1' "$readme")
[ -n "$expected_reader" ] || { echo "docs/install.md: no output shown for the reader"; exit 1; }

check() {
  out=$(cd / && "$1")
  if [ "$out" != "$3" ]; then
    echo "$2: unexpected output:"
    echo "$out"
    exit 1
  fi
  echo "$2: ok"
}

# The pkg-config block of docs/install.md, as written, with this prefix and build.
mkdir -p "$work/pkg"
cp "$here/consumer.c" "$here/reader.c" "$work/pkg/"
awk '/^## From pkg-config/{f=1} f && /^```sh$/{g=1; next} g && /^```$/{exit} g' "$readme" |
  sed -e "s|^PREFIX=.*|PREFIX=\"$prefix\"|" -e "s|cmake --install build |cmake --install \"$build\" |" \
  > "$work/pkg/block.sh"
grep -q pkg-config "$work/pkg/block.sh" || { echo "docs/install.md: no pkg-config block"; exit 1; }
(cd "$work/pkg" && sh -e ./block.sh > "$work/pkg/out.txt" 2> "$work/pkg/err.txt") ||
  { cat "$work/pkg/err.txt"; exit 1; }
[ "$(grep -v '^-- ' "$work/pkg/out.txt")" = "$expected_consumer
$expected_reader" ] || { echo "pkg-config block printed:"; cat "$work/pkg/out.txt"; exit 1; }
echo "docs/install.md pkg-config block: ok"

cmake -S "$here" -B "$work/cmake-build" -DCMAKE_PREFIX_PATH="$prefix" > "$work/cmake.log"
cmake --build "$work/cmake-build" > "$work/build.log"
check "$work/cmake-build/consumer" "find_package(formix32)" "$expected_consumer"
check "$work/cmake-build/reader" "find_package(formix32 COMPONENTS toolkit)" "$expected_reader"

if [ -x /usr/bin/python3 ]; then
  version=$(/usr/bin/python3 -c "import sys; print('%d.%d' % sys.version_info[:2])")
  out=$(cd / && env -u FORMIX_LIBRARY PYTHONPATH="$prefix/lib/python$version/dist-packages" /usr/bin/python3 -c \
    "import formix32; print(round(formix32.molar_mass('CuSO4*5H2O'), 2), formix32.library_path.startswith('$prefix/lib/'))")
  [ "$out" = "249.68 True" ] || { echo "installed Python package: $out"; exit 1; }
  echo "installed Python package with /usr/bin/python3: ok"
fi
echo "formix32 $(PKG_CONFIG_PATH="$prefix/lib/pkgconfig" pkg-config --modversion formix32)"
