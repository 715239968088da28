#!/usr/bin/env bash
# Installs the build tree into a temporary prefix and builds a consumer
# against it twice, with find_package(kel) and with pkg-config, then runs
# both through the installed kelsim.
#   install_consumer.sh BUILD_DIR CONSUMER_SOURCE_DIR C_COMPILER
set -eu
build=$1 source=$2 cc=$3
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
prefix=$dir/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

cmake -S "$source" -B "$dir/cmake-build" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_C_COMPILER="$cc" >/dev/null
cmake --build "$dir/cmake-build" >/dev/null

pcdir=$(dirname "$(find "$prefix" -name kel.pc | head -n 1)")
flags=$(PKG_CONFIG_PATH=$pcdir pkg-config --cflags --libs kel)
"$cc" -std=c99 -Wall -Werror -o "$dir/pc-consumer" "$source/consumer.c" $flags

libdir=$(dirname "$(find "$prefix" -name 'libkel.so.1' | head -n 1)")
for exe in "$dir/cmake-build/consumer" "$dir/pc-consumer"; do
    out=$(LD_LIBRARY_PATH=$libdir "$prefix/bin/kelsim" -- "$exe")
    [ "$out" = "ports 52 rc 0 ok" ] || { echo "$exe printed: $out"; exit 1; }
done
echo "find_package and pkg-config consumers both ran"
