#!/bin/sh
# SPDX-License-Identifier: MIT
# Installs a build into a temporary prefix and builds and runs a tiny application against it,
# once through find_package(zarvo) and once through pkg-config, as a new user would; then moves
# the prefix and does it again (the installed files may not hold the path they were installed
# to). The application runs on the simulated instrument.
#
#   packaging/check_install.sh BUILD_DIR
#
# Needs cmake, a C compiler (cc or $CC) and pkg-config. Ends with "N passed, N failed" and
# exits non-zero when anything failed.
set -eu

if [ $# -ne 1 ]; then
    echo "usage: $0 BUILD_DIR" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
source_dir=$(cd "$(dirname "$0")/.." && pwd)
consumer=$source_dir/packaging/consumer
cc=${CC:-cc}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TMPDIR="$work/tmp"  # the simulated instrument's port claims
mkdir -p "$TMPDIR"
unset ZARVO_SIM LD_LIBRARY_PATH

passed=0
failed=0
pass() {
    passed=$((passed + 1))
    echo "ok: $1"
}
fail() {
    failed=$((failed + 1))
    echo "FAILED: $1"
}
show_output() {
    sed 's/^/    /' "$work/out"
}
# check NAME COMMAND...: runs the command, its output kept in $work/out.
check() {
    name=$1
    shift
    if "$@" >"$work/out" 2>&1; then
        pass "$name"
    else
        fail "$name"
        show_output
    fi
}
# expect NAME TEXT: the last command's output holds TEXT.
expect() {
    if grep -qF -- "$2" "$work/out"; then
        pass "$1"
    else
        fail "$1 (expected: $2)"
        show_output
    fi
}

prefix=$work/prefix
if ! cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
    cat "$work/install.log"
    echo "0 passed, 1 failed"
    exit 1
fi
pass "cmake --install into $prefix"

pc=$(find "$prefix" -name zarvo.pc | head -n 1)
libdir=$(dirname "$(dirname "$pc")")
libdir_rel=${libdir#"$prefix"/}

# ---- The installed files
for file in include/zarvo.h "$libdir_rel/libzarvo.so.1.0.0" "$libdir_rel/pkgconfig/zarvo.pc" \
    "$libdir_rel/cmake/zarvo/zarvoConfig.cmake" "$libdir_rel/cmake/zarvo/zarvoConfigVersion.cmake" \
    "$libdir_rel/cmake/zarvo/zarvoTargets.cmake" share/doc/zarvo/linux-device-access.md \
    share/doc/zarvo/examples/block_capture.c share/doc/zarvo/LICENSE \
    share/zarvo/udev/60-zarvo-parport.rules; do
    if [ -f "$prefix/$file" ]; then pass "installed $file"; else fail "installed $file"; fi
done
for link in libzarvo.so.1 libzarvo.so; do
    if [ -L "$libdir/$link" ] && [ -e "$libdir/$link" ]; then
        pass "link $libdir_rel/$link"
    else
        fail "link $libdir_rel/$link"
    fi
done
check "SONAME of the installed library" objdump -p "$libdir/libzarvo.so.1.0.0"
expect "SONAME is libzarvo.so.1" "SONAME               libzarvo.so.1"

# build_and_run PREFIX LABEL: the application through CMake and through pkg-config.
build_and_run() {
    at=$1
    label=$2
    rm -rf "$work/cmake-app"
    check "$label: configure with find_package(zarvo)" \
        cmake -S "$consumer" -B "$work/cmake-app" -DCMAKE_PREFIX_PATH="$at" \
        -DCMAKE_C_COMPILER="$cc"
    check "$label: build with find_package(zarvo)" cmake --build "$work/cmake-app"
    check "$label: run the find_package(zarvo) build" \
        env ZARVO_SIM=ch1=dc:0.5 "$work/cmake-app/consumer"
    expect "$label: the find_package(zarvo) build measured" \
        "serial 12345, range 2 V, first sample 0.5 V"
    check "$label: the find_package(zarvo) build uses the installed library" \
        sh -c "ldd '$work/cmake-app/consumer' | grep libzarvo.so.1"
    expect "$label: find_package(zarvo) links the installed library" "$at/"

    pcpath=$at/$libdir_rel/pkgconfig
    check "$label: pkg-config --modversion zarvo" \
        env PKG_CONFIG_PATH="$pcpath" pkg-config --modversion zarvo
    expect "$label: pkg-config version" "1.0.0"
    # The file locates the prefix from its own folder ("lib/pkgconfig/../.."), so compare the
    # folders themselves.
    include_flag=$(PKG_CONFIG_PATH="$pcpath" pkg-config --cflags-only-I zarvo | sed 's/ *$//')
    include_dir=$(cd "${include_flag#-I}" 2>/dev/null && pwd -P || echo "(${include_flag})")
    if [ "$include_dir" = "$(cd "$at/include" && pwd -P)" ]; then
        pass "$label: pkg-config names the installed header folder"
    else
        fail "$label: pkg-config names $include_dir, not $at/include"
    fi
    flags=$(PKG_CONFIG_PATH="$pcpath" pkg-config --cflags --libs zarvo)
    pc_libdir=$(PKG_CONFIG_PATH="$pcpath" pkg-config --variable=libdir zarvo)
    # shellcheck disable=SC2086  # the flags are words
    check "$label: build with pkg-config" \
        "$cc" -std=c11 -Wall -Wextra -Werror "$consumer/consumer.c" -o "$work/pc-app" $flags \
        "-Wl,-rpath,$pc_libdir"
    check "$label: run the pkg-config build" env ZARVO_SIM=ch1=dc:0.5 "$work/pc-app"
    expect "$label: the pkg-config build measured" "serial 12345, range 2 V, first sample 0.5 V"

    if [ -x "$build/tools/zarvo" ]; then
        check "$label: the installed zarvo tool runs" "$at/bin/zarvo" --simulate info
        expect "$label: the installed zarvo tool found the simulated instrument" \
            "serial number: 12345"
    fi
}

build_and_run "$prefix" "installed"
mv "$prefix" "$work/moved"
build_and_run "$work/moved" "moved"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
