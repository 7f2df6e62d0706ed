#!/bin/sh
# SPDX-License-Identifier: MIT
# Installs a 32-bit Windows build into an empty prefix and builds the consumer program against
# the result, through the pkg-config file and through find_package(zarvo):
#
#   check_install.sh BUILD_DIR SOURCE_DIR C_COMPILER TOOLCHAIN_FILE
#
# Before installing, every import library in the build tree gets a time within the same
# second: cmake --install skips a copy whose time matches the file already installed, so an
# install that wrote two different libraries to one name would keep whichever came first.
# Whatever the times, lib/libDLL.dll.a and lib/DLL.lib must be the __stdcall import library.
set -eu
build=$1
source_dir=$2
cc=$3
toolchain=$4
triplet=$(basename "$cc" | sed 's/-gcc.*//')
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

now=$(date +%s)
first=true
find "$build" -name '*.dll.a' -not -path '*/package/*' | while read -r library; do
    if $first; then touch -d "@$now" "$library"; else touch -d "@$now.5" "$library"; fi
    first=false
done

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
status=0
for name in libDLL.dll.a DLL.lib; do
    if ! "$triplet-nm" "$prefix/lib/$name" | grep -q ' T _InitInstrument@4$'; then
        echo "FAILED: lib/$name does not offer the __stdcall names (_InitInstrument@4)"
        status=1
    fi
done

flags=$(PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" pkg-config --cflags --libs zarvo)
# shellcheck disable=SC2086  # the flags are words
if ! "$cc" -std=c11 -Wall -Wextra -Werror "$source_dir/packaging/consumer/consumer.c" \
    $flags -o "$work/consumer.exe"; then
    echo "FAILED: the consumer does not link with pkg-config's flags ($flags)"
    status=1
elif ! "$triplet-objdump" -p "$work/consumer.exe" | grep -q 'DLL Name: DLL.dll'; then
    echo "FAILED: the consumer does not import DLL.dll"
    status=1
fi

if ! cmake -S "$source_dir/packaging/consumer" -B "$work/cmake" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -Dzarvo_DIR="$prefix/lib/cmake/zarvo" \
    >"$work/log" 2>&1 || ! cmake --build "$work/cmake" >>"$work/log" 2>&1; then
    cat "$work/log"
    echo "FAILED: the consumer does not build through find_package(zarvo)"
    status=1
fi
[ $status -ne 0 ] || echo "installed import libraries are the __stdcall ones; the consumer links"
exit $status
