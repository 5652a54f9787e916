#!/bin/sh
# Installs the build into a temporary prefix, then builds and runs a
# separate program against the installed copy through find_package and
# through pkg-config, from a directory holding no data files.
# usage: run.sh BUILD_DIR WORK_DIR
set -eu
build=$1
work=$2
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work"
mkdir -p "$work"
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" > "$work/install.log"

expected="CuSO4*5H2O 249.68
K4[Fe(CN)6] 368.35
Ph2CO 182.22"

check() {
  out=$(cd / && "$1")
  if [ "$out" != "$expected" ]; then
    echo "$2: unexpected output:"
    echo "$out"
    exit 1
  fi
  echo "$2: ok"
}

cmake -S "$here" -B "$work/cmake-build" -DCMAKE_PREFIX_PATH="$prefix" > "$work/cmake.log"
cmake --build "$work/cmake-build" > "$work/build.log"
check "$work/cmake-build/consumer" "find_package(formix32)"

export PKG_CONFIG_PATH="$prefix/lib/pkgconfig"
cc -std=c99 -o "$work/pkg-consumer" "$here/consumer.c" $(pkg-config --cflags --libs formix32) \
   -Wl,-rpath,"$(pkg-config --variable=libdir formix32)"
check "$work/pkg-consumer" "pkg-config formix32"
echo "formix32 $(pkg-config --modversion formix32)"
