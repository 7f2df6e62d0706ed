#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds and runs every test of the project, from a fresh Debian machine on. Each stage lives in
# tests/ci/ and installs what it needs (apt-get; nothing when everything is there):
#
#   demo.sh      the README's first command, ./demo.sh, as a newcomer runs it (Release builds),
#                and what it leaves: the identity, the record's CSV and plot; no build warning
#   linux.sh     library, tools, tests, examples and benchmarks; ctest, the Python package's
#                tests, the examples, an install into a prefix with an application built
#                against it, a valgrind session and a short run of every benchmark
#   sanitize.sh  the same tests built with AddressSanitizer and UndefinedBehaviorSanitizer,
#                and built with clang (every compiler must accept the code without a warning),
#                which doubles as the coverage build (gcovr's figures in the summary)
#   docs.sh      the API reference (doxygen, warnings as errors), the guide's snippets and C#
#                declarations checked against the header and run on the simulated instrument
#   fuzz.sh      bounded runs of the exports fuzzer and the live view's request fuzzer
#   windows.sh   DLL.dll for 32-bit Windows (mingw-w64), its tables and install, its tests and
#                the examples under 32-bit wine (emulated by qemu-i386 where the kernel runs no
#                32-bit programs)
#   view.sh      the live view's browser tests in chromium (playwright-core) and its benchmark
#   scpi.sh      zarvo serve (the SCPI server) driven by PyVISA, and its benchmark
#
# Exits non-zero when anything fails. Build folders: build-ci/*. Set ZARVO_TEST_JOBS to change
# the number of tests run at once (default 2). ZARVO_STAGES="linux windows" runs only those
# stages (all by default).
set -uo pipefail

cd "$(dirname "$0")"
root=$PWD
jobs=${ZARVO_TEST_JOBS:-2}
builds=$root/build-ci
export DEBIAN_FRONTEND=noninteractive
export HOME=${HOME:-/root}

failures=()
notes=()
total_passed=0
total_failed=0
total_skipped=0

source "$root/tests/ci/common.sh"

step "Packages"
# libzip-dev builds the tool's zip record files; sigrok-cli, numpy and soundfile are the
# outside readers the record-file tests check them with. libtirpc-dev and libavahi-client-dev
# build zarvo serve's VXI-11 and its announcement on the network.
base_packages=(cmake ninja-build g++ make ccache pkg-config python3 libgtest-dev
    libbenchmark-dev libcli11-dev nlohmann-json3-dev libcpp-httplib-dev libkissfft-dev libzip-dev
    libtirpc-dev libavahi-client-dev
    libxml2-utils clang python3-pytest python3-numpy python3-soundfile sigrok-cli valgrind)
if ! install_missing "${base_packages[@]}"; then
    echo "cannot install the packages the build needs"
    exit 1
fi

mkdir -p "$builds"
wine_dir=$(mktemp -d)
cleanup() {
    local prefix
    for prefix in "$wine_dir"/*/; do
        [ -d "$prefix" ] || continue
        WINEPREFIX=${prefix%/} wineserver -k >/dev/null 2>&1 || true
    done
    rm -rf "$wine_dir"
}
trap cleanup EXIT

all_stages=(demo linux docs sanitize fuzz windows view scpi)
for stage in ${ZARVO_STAGES:-${all_stages[*]}}; do
    if [ ! -f "$root/tests/ci/$stage.sh" ]; then
        fail "no such stage: $stage"
        continue
    fi
    cd "$root"
    source "$root/tests/ci/$stage.sh"
done
cd "$root"

step "Summary"
for note in "${notes[@]}"; do echo "note: $note"; done
if [ ${#failures[@]} -gt 0 ]; then
    for f in "${failures[@]}"; do echo "failed: $f"; done
fi
echo "total: $total_passed passed, $total_failed failed, $total_skipped skipped"
[ ${#failures[@]} -eq 0 ]
