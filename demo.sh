#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds everything that ships and shows the library at work on the simulated instrument:
#
#   1. installs what is missing (apt-get; skipped when everything is there)
#   2. builds the Linux library (libzarvo.so) and the zarvo command-line tool, and DLL.dll for
#      32-bit Windows with mingw-w64
#   3. starts the simulated instrument through the library, shows its identity and takes one
#      triggered record of both channels (a 1 kHz sine of 1 V on channel 1, a 500 Hz square
#      wave of 0.5 V amplitude on channel 2), written to build-demo/output/capture.csv and .svg
#
# Build folders: build-demo/linux and build-demo/mingw32.
set -euo pipefail

cd "$(dirname "$0")"
root=$PWD
export DEBIAN_FRONTEND=noninteractive
export HOME=${HOME:-/root}

# installed, install_missing and cmake_build
source "$root/packaging/setup.sh"

packages=(cmake ninja-build g++ make ccache pkg-config libcli11-dev nlohmann-json3-dev
    libcpp-httplib-dev libkissfft-dev libzip-dev g++-mingw-w64-i686)
if ! install_missing "${packages[@]}"; then
    echo "cannot install the packages the build needs: ${packages[*]}"
    exit 1
fi

build=$root/build-demo
out=$build/output
mkdir -p "$build" "$out"

echo "==== Linux: libzarvo.so and the zarvo tool"
cmake_build "$build/linux" "" -DCMAKE_BUILD_TYPE=Release -DZARVO_BUILD_TESTS=OFF \
    -DZARVO_BUILD_BENCH=OFF || exit 1

echo "==== Windows: DLL.dll (32-bit)"
cmake_build "$build/mingw32" zarvo -DCMAKE_BUILD_TYPE=Release -DZARVO_BUILD_TESTS=OFF \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw32.cmake" || exit 1
ls -l "$build/mingw32/bin/DLL.dll"

tool=$build/linux/tools/zarvo
echo
echo "==== The simulated instrument, through the library"
"$tool" --simulate info
echo
"$tool" --simulate=ch2=square:500:0.5 capture -c both -r 100000 -n 500 --range1 2 --range2 2 \
    -o "$out/capture.csv" --svg "$out/capture.svg"
echo
echo "record written to $out/capture.csv and $out/capture.svg"
