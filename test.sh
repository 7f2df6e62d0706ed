#!/usr/bin/env bash
# Builds and runs every test of the project, from a fresh Debian machine on:
#
#   1. installs what is missing (apt-get; skipped when everything is there)
#   2. Linux: library, tools, tests, examples and benchmarks; ctest, the Python package's
#      tests, the examples, an install into a prefix with an application built against it,
#      and a short run of every benchmark
#   3. the same tests again built with AddressSanitizer and UndefinedBehaviorSanitizer, and
#      again built with clang (every compiler must accept the code without a warning)
#   4. Windows: DLL.dll cross-built for 32-bit Windows with mingw-w64, its export and import
#      tables checked, and the Windows test programs run under wine. Where this machine's
#      kernel cannot run 32-bit programs (so no 32-bit wine), the test programs are built and
#      run for 64-bit Windows under 64-bit wine instead, and the report says so.
#
# Exits non-zero when anything fails. Build folders: build-ci/*. Set ZARVO_TEST_JOBS to change
# the number of tests run at once (default 2).
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

step() { printf '\n==== %s\n' "$*"; }
fail() {
    failures+=("$1")
    echo "FAILED: $1"
}

# ---- 1. Packages --------------------------------------------------------------------------

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q '^install ok installed$'; }

# Installs the packages that are not installed yet; nothing at all when none is missing.
install_missing() {
    local missing=()
    local p
    for p in "$@"; do installed "$p" || missing+=("$p"); done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "installing: ${missing[*]}"
    if [[ " ${missing[*]} " == *":i386 "* ]] &&
        ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386 || return 1
    fi
    apt-get update -qq || return 1
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null || return 1
}

step "Packages"
base_packages=(cmake ninja-build g++ make ccache pkg-config python3 libgtest-dev
    libbenchmark-dev libcli11-dev libxml2-utils clang python3-pytest python3-numpy valgrind
    g++-mingw-w64-i686 wine wine32:i386)
if ! install_missing "${base_packages[@]}"; then
    echo "cannot install the packages the build needs"
    exit 1
fi
# 32-bit wine needs a kernel that runs 32-bit programs. Without one, the Windows test
# programs run as 64-bit programs under 64-bit wine.
wine32_runs=false
if wine --version >/dev/null 2>&1; then wine32_runs=true; fi
if ! $wine32_runs; then
    if ! install_missing wine64 g++-mingw-w64-x86-64-posix; then
        echo "cannot install 64-bit wine and its cross compiler"
        exit 1
    fi
fi

# ---- Helpers ------------------------------------------------------------------------------

# Runs ctest in a build folder and adds its counts to the totals.
run_ctest() {
    local name=$1 dir=$2
    shift 2
    local log=$dir/ctest.log
    ctest --test-dir "$dir" -j "$jobs" --timeout 600 --output-on-failure "$@" 2>&1 | tee "$log"
    local status=${PIPESTATUS[0]}
    local summary
    summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1)
    if [ -z "$summary" ]; then
        fail "$name: ctest ran no test"
        return
    fi
    local failed total skipped
    failed=$(sed -E 's/.*passed, ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$summary")
    total=$(sed -E 's/.*failed out of ([0-9]+).*/\1/' <<<"$summary")
    skipped=$(grep -cE '^[[:space:]]+[0-9]+ - .*\((Skipped|Disabled)\)$' "$log")
    total_failed=$((total_failed + failed))
    total_skipped=$((total_skipped + skipped))
    total_passed=$((total_passed + total - failed - skipped))
    [ "$status" -eq 0 ] || fail "$name: $summary"
}

# Adds the counts of a runner's closing line ("12 passed, 1 failed, 2 skipped", pytest's
# "== 12 passed, 2 skipped in 3.1s ==") to the totals; false when there is none.
add_counts() {
    local line
    line=$(grep -E '[0-9]+ (passed|failed)' "$1" | tail -1)
    [ -n "$line" ] || return 1
    local kind n
    for kind in passed failed skipped error errors; do
        n=$(grep -oE "[0-9]+ $kind\b" <<<"$line" | grep -oE '^[0-9]+' | tail -1)
        n=${n:-0}
        case $kind in
        passed) total_passed=$((total_passed + n)) ;;
        skipped) total_skipped=$((total_skipped + n)) ;;
        *) total_failed=$((total_failed + n)) ;;
        esac
    done
}

# Runs a test script that ends with such a line.
run_counted() {
    local name=$1
    shift
    local log=$builds/$name.log
    "$@" 2>&1 | tee "$log"
    local status=${PIPESTATUS[0]}
    add_counts "$log" || fail "$name: no result line"
    [ "$status" -eq 0 ] || fail "$name: exit status $status"
}

# A check that prints no count of its own: it counts as one test, by its exit status.
run_check() {
    local name=$1
    shift
    if "$@"; then
        total_passed=$((total_passed + 1))
    else
        local status=$?
        total_failed=$((total_failed + 1))
        fail "$name: exit status $status"
    fi
}

configure_and_build() {
    local name=$1 dir=$2
    shift 2
    if ! cmake -S "$root" -B "$dir" -G Ninja "$@" >"$dir.configure.log" 2>&1; then
        cat "$dir.configure.log"
        fail "$name: configure"
        return 1
    fi
    grep -A3 'CMake Warning' "$dir.configure.log" || true
    ninja -C "$dir" >"$dir.build.log" 2>&1
    local status=$?
    if [ $status -ne 0 ]; then
        grep -E -A12 '^FAILED|error:' "$dir.build.log" | head -80
        fail "$name: build (log: $dir.build.log)"
        return 1
    fi
    tail -n 1 "$dir.build.log"
}

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

# ---- 2. Linux -----------------------------------------------------------------------------

step "Linux: build"
linux=$builds/linux
if configure_and_build linux "$linux" -DCMAKE_BUILD_TYPE=RelWithDebInfo; then
    step "Linux: tests"
    run_ctest linux "$linux"

    if [ -x python/run_tests.sh ]; then
        step "Python package: tests"
        run_counted python python/run_tests.sh "$linux" -p no:cacheprovider
    fi
    if [ -x examples/run_examples.sh ]; then
        step "Examples on the simulated instrument"
        run_counted examples-linux examples/run_examples.sh "$linux"
    fi
    if [ -x packaging/check_install.sh ]; then
        step "Install into a prefix and build against it"
        run_counted install packaging/check_install.sh "$linux"
    fi

    step "Memory check of an end-to-end session under valgrind"
    run_check valgrind tests/valgrind_check.sh "$linux"

    step "Benchmarks (short runs)"
    for bench in "$linux"/bench/*_bench; do
        [ -x "$bench" ] || continue
        echo "-- $(basename "$bench")"
        "$bench" --benchmark_min_time=0.01 || fail "benchmark $(basename "$bench")"
    done
fi

# ---- 3. Sanitizers ------------------------------------------------------------------------

step "Linux with AddressSanitizer and UndefinedBehaviorSanitizer: build"
sanitize=$builds/sanitize
if configure_and_build sanitize "$sanitize" -DCMAKE_BUILD_TYPE=Debug -DZARVO_SANITIZE=ON \
    -DZARVO_BUILD_BENCH=OFF; then
    step "Linux with sanitizers: tests"
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
        run_ctest sanitize "$sanitize"
fi

# ---- 4. clang -----------------------------------------------------------------------------

step "Linux with clang: build"
clang_dir=$builds/clang
if CC=clang CXX=clang++ configure_and_build clang "$clang_dir" -DCMAKE_BUILD_TYPE=Debug \
    -DZARVO_BUILD_BENCH=OFF; then
    step "Linux with clang: tests"
    run_ctest clang "$clang_dir"
fi

step "API fuzzer: a bounded run from the seed corpus"
run_check fuzz tests/fuzz/run_fuzz.sh "$builds/fuzz" "${ZARVO_FUZZ_SECONDS:-60}"

# ---- 5. Windows ---------------------------------------------------------------------------

step "Windows, 32-bit: DLL.dll and test programs"
mingw32=$builds/mingw32
if configure_and_build mingw32 "$mingw32" -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw32.cmake"; then
    step "Windows, 32-bit: checks of DLL.dll$($wine32_runs && echo ' and tests under wine')"
    WINEPREFIX=$wine_dir/prefix32 run_ctest mingw32 "$mingw32"
    if [ -x examples/run_examples.sh ]; then
        WINEPREFIX=$wine_dir/prefix32 run_counted examples-mingw32 \
            examples/run_examples.sh "$mingw32"
    fi
fi

if ! $wine32_runs; then
    notes+=("this kernel runs no 32-bit programs: the Windows test programs ran as 64-bit programs under 64-bit wine; the 32-bit DLL.dll was built and its tables checked, and its 32-bit-only calling-convention tests were built but not run")
    step "Windows, 64-bit: test programs under 64-bit wine"
    mingw64=$builds/mingw64
    if configure_and_build mingw64 "$mingw64" -DCMAKE_BUILD_TYPE=Debug \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake"; then
        WINEPREFIX=$wine_dir/prefix64 run_ctest mingw64 "$mingw64"
        if [ -x examples/run_examples.sh ]; then
            WINEPREFIX=$wine_dir/prefix64 run_counted examples-mingw64 \
                examples/run_examples.sh "$mingw64"
        fi
    fi
fi

# ---- Report -------------------------------------------------------------------------------

step "Summary"
for note in "${notes[@]}"; do echo "note: $note"; done
if [ ${#failures[@]} -gt 0 ]; then
    for f in "${failures[@]}"; do echo "failed: $f"; done
fi
echo "total: $total_passed passed, $total_failed failed, $total_skipped skipped"
[ ${#failures[@]} -eq 0 ]
