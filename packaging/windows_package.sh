#!/bin/sh
# SPDX-License-Identifier: MIT
# Makes the Windows package from a mingw-w64 cross build and checks it:
#
#   cmake -S . -B build-mingw32 -G Ninja -DCMAKE_BUILD_TYPE=Release \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw32.cmake
#   packaging/windows_package.sh build-mingw32 [OUTPUT_DIR]
#
# Builds what the package holds, installs it into OUTPUT_DIR/zarvo-VERSION-win32 (win64 for a
# 64-bit build), checks the contents, links a small program against the installed import
# library with the cross compiler, and zips the folder into OUTPUT_DIR/zarvo-VERSION-win32.zip
# (OUTPUT_DIR defaults to BUILD_DIR/package). Ends with "N passed, N failed".
set -eu

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
    echo "usage: $0 BUILD_DIR [OUTPUT_DIR]" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
output=${2:-$build/package}
source_dir=$(cd "$(dirname "$0")/.." && pwd)
cache=$build/CMakeCache.txt
cached() { sed -n "s/^$1:[A-Z]*=//p" "$cache"; }

if [ "$(cached CMAKE_SYSTEM_NAME)" != "Windows" ] && ! grep -q 'toolchain-mingw' "$cache"; then
    echo "$0: $build is not a Windows cross build" >&2
    exit 2
fi
version=$(cached CMAKE_PROJECT_VERSION)
triplet=$(cached ZARVO_MINGW_TRIPLET)
[ -n "$triplet" ] || triplet=$(basename "$(cached ZARVO_MINGW_CC)" | sed 's/-gcc.*//')
cc=$(cached ZARVO_MINGW_CC)
objdump=$triplet-objdump

case "$triplet" in
    i686-*) arch=win32 ;;
    *) arch=win64 ;;
esac
targets="zarvo block_capture timer_statistics"
# shellcheck disable=SC2086  # the targets are words
cmake --build "$build" --target $targets
name=zarvo-$version-$arch
stage=$output/$name
rm -rf "$stage" "$output/$name.zip"
mkdir -p "$output"
cmake --install "$build" --prefix "$stage" >/dev/null

passed=0
failed=0
check() {
    what=$1
    shift
    if "$@" >/dev/null 2>&1; then
        passed=$((passed + 1))
        echo "ok: $what"
    else
        failed=$((failed + 1))
        echo "FAILED: $what"
    fi
}

for file in bin/DLL.dll bin/block_capture.exe bin/timer_statistics.exe include/zarvo.h \
    lib/libDLL.dll.a lib/cmake/zarvo/zarvoConfig.cmake lib/cmake/zarvo/zarvoTargets.cmake \
    lib/pkgconfig/zarvo.pc python/zarvo/__init__.py python/zarvo/DLL.dll README.txt \
    share/doc/zarvo/examples/block_capture.c share/doc/zarvo/LICENSE; do
    check "package holds $file" test -f "$stage/$file"
done
check "the examples import DLL.dll" \
    sh -c "$objdump -p '$stage/bin/block_capture.exe' | grep -q 'DLL Name: DLL.dll'"
check "package holds lib/DLL.lib" test -f "$stage/lib/DLL.lib"
if [ "$arch" = win32 ]; then
    # A caller compiled with the header asks for the __stdcall names.
    check "the import library offers the __stdcall names" \
        sh -c "$triplet-nm '$stage/lib/libDLL.dll.a' | grep -q ' _InitInstrument@4\$'"
fi

# A program built from nothing but the package, as a user of the package builds one.
app=$(mktemp -d)
trap 'rm -rf "$app"' EXIT
check "a program links against the package's import library" \
    "$cc" -std=c11 -Wall -Wextra -Werror -I"$stage/include" \
    "$source_dir/packaging/consumer/consumer.c" -L"$stage/lib" -lDLL -o "$app/consumer.exe"
check "that program imports DLL.dll" \
    sh -c "$objdump -p '$app/consumer.exe' | grep -q 'DLL Name: DLL.dll'"
check "find_package(zarvo) finds the package" \
    cmake -S "$source_dir/packaging/consumer" -B "$app/cmake" \
    -DCMAKE_TOOLCHAIN_FILE="$(cached CMAKE_TOOLCHAIN_FILE)" -Dzarvo_DIR="$stage/lib/cmake/zarvo"
check "and a program builds with it" cmake --build "$app/cmake"

(cd "$output" && cmake -E tar cf "$name.zip" --format=zip "$name")
check "zipped into $output/$name.zip" test -s "$output/$name.zip"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
