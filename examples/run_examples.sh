#!/bin/sh
# SPDX-License-Identifier: MIT
# Runs every example on the simulated instrument and checks what it printed or wrote:
#
#   examples/run_examples.sh BUILD_DIR
#
# BUILD_DIR is a native build (examples/block_capture, libzarvo.so.1) or a Windows cross build
# (bin/*.exe beside bin/DLL.dll; run under wine when this machine can run its programs, else
# reported as skipped). The Python example runs against a native build's library, with
# $PYTHON or python3. Ends with "N passed, N failed, N skipped"; exits non-zero on a failure.
set -eu

if [ $# -ne 1 ]; then
    echo "usage: $0 BUILD_DIR" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
source_dir=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset ZARVO_SIM ZARVO_LIBRARY
expected_status=0

passed=0
failed=0
skipped=0
pass() {
    passed=$((passed + 1))
    echo "ok: $1"
}
fail() {
    failed=$((failed + 1))
    echo "FAILED: $1"
    sed 's/^/    /' "$work/out"
}
skip() {
    skipped=$((skipped + 1))
    echo "skipped: $1"
}

# run NAME SIM COMMAND...: runs the command on the simulated instrument SIM, in its own
# temporary folder (where the simulated port claims live); output in $work/out. Fails unless
# the command exits with $expected_status.
run() {
    name=$1
    sim=$2
    shift 2
    rm -rf "$work/tmp"
    mkdir -p "$work/tmp"
    status=0
    (cd "$work/tmp" && export TMPDIR="$work/tmp" ZARVO_SIM="$sim" && "$@") >"$work/raw" 2>&1 ||
        status=$?
    tr -d '\r' <"$work/raw" >"$work/out" # Windows programs end their lines with CR LF
    [ "$status" -eq "$expected_status" ] && return 0
    fail "$name exited with status $status"
    return 1
}
# near VALUE EXPECTED TOLERANCE: whether |VALUE - EXPECTED| <= TOLERANCE.
near() {
    awk -v v="$1" -v e="$2" -v t="$3" 'BEGIN { d = v - e; if (d < 0) d = -d; exit !(v != "" && d <= t) }'
}

# ---- The C examples: native programs, or Windows programs under wine
wine_runner=""
if [ -f "$build/bin/DLL.dll" ]; then
    ext=.exe
    bin=$build/bin
    cache=$build/CMakeCache.txt
    # The wine loader of the build's word size: the one the build found, else the usual one.
    candidates=$(sed -n 's/^ZARVO_WINE:FILEPATH=//p' "$cache" 2>/dev/null || true)
    case "$(sed -n 's/^ZARVO_MINGW_CC:FILEPATH=//p' "$cache" 2>/dev/null)" in
        *i686-*) candidates="$candidates wine /usr/lib/wine/wine" ;;
        *) candidates="$candidates wine64 /usr/lib/wine/wine64" ;;
    esac
    for wine in $candidates; do
        if "$wine" --version >/dev/null 2>&1; then
            wine_runner="sh $source_dir/cmake/wine-run.sh $(command -v "$wine") $build/wineprefix"
            break
        fi
    done
else
    ext=""
    bin=$build/examples
fi
# launch NAME ARGUMENTS...: runs the C example NAME (under wine for a Windows build).
launch() {
    example=$1
    shift
    # shellcheck disable=SC2086  # the runner is words
    $wine_runner "$bin/$example$ext" "$@"
}

if [ -n "$ext" ] && [ -z "$wine_runner" ]; then
    skip "C examples: this machine cannot run the Windows programs of $build"
elif [ ! -e "$bin/block_capture$ext" ]; then
    fail "C examples: $bin/block_capture$ext is not built"
else
    # One record of a 1.5 V, 1 kHz sine on a 2 V range, printed as a few samples.
    if run block_capture ch1=sine:1000:1.5 launch block_capture; then
        samples=$(grep -c '^sample ' "$work/out" || true)
        high=$(sed -n 's/.*maximum \([-+0-9.]*\) V.*/\1/p' "$work/out")
        first=$(sed -n 's/^sample    0 .* \([-+0-9.]*\) V$/\1/p' "$work/out")
        if [ "$samples" -eq 10 ] && near "$high" 1.5 0.05 && near "$first" 0 0.05; then
            pass "block_capture printed the sine from its trigger point"
        else
            fail "block_capture: expected 10 samples, the first near 0 V and a 1.5 V peak"
        fi
    fi
    # Without an instrument it says which call failed and exits with status 2.
    expected_status=2
    if run "block_capture without an instrument" lpt=0 launch block_capture; then
        if grep -q 'InitInstrument failed: RC_NO_INSTRUMENT' "$work/out"; then
            pass "block_capture reports a missing instrument"
        else
            fail "block_capture without an instrument: no InitInstrument error"
        fi
    fi
    expected_status=0

    # Three reports of the timer-driven measurement, 100 ms apart.
    if run timer_statistics ch1=sine:1000:1.5 launch timer_statistics 3 100; then
        reports=$(grep -c '^report ' "$work/out" || true)
        good=0
        for n in 1 2 3; do
            line=$(grep "^report $n:" "$work/out" || true)
            freq=$(echo "$line" | sed -n 's/.*freq \([0-9.]*\) Hz.*/\1/p')
            max=$(echo "$line" | sed -n 's/.*max \([-+0-9.]*\) V.*/\1/p')
            if near "$freq" 1000 5 && near "$max" 1.5 0.05; then good=$((good + 1)); fi
        done
        if [ "$reports" -eq 3 ] && [ "$good" -eq 3 ]; then
            pass "timer_statistics measured 1 kHz and 1.5 V in every report"
        else
            fail "timer_statistics: expected 3 reports of 1000 Hz and a 1.5 V peak"
        fi
    fi
fi

# ---- The Python example
# A library built with the sanitizers (ZARVO_SANITIZE) needs their runtimes loaded before the
# Python interpreter starts.
sanitizer_preload=""
if grep -q '^ZARVO_SANITIZE:BOOL=ON' "$build/CMakeCache.txt" 2>/dev/null; then
    compiler=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$build/CMakeCache.txt")
    for runtime in libasan.so libubsan.so; do
        found=$("$compiler" -print-file-name=$runtime)
        [ -f "$found" ] && sanitizer_preload="$sanitizer_preload:$found"
    done
fi
python=${PYTHON:-python3}
library=""
for name in libzarvo.so.1 libzarvo.so; do
    [ -e "$build/$name" ] && library=$build/$name && break
done
if [ -z "$library" ]; then
    skip "plot_capture.py: $build has no library this machine's Python can load"
elif ! command -v "$python" >/dev/null 2>&1; then
    skip "plot_capture.py: no $python"
else
    export ZARVO_LIBRARY="$library"
    python="env LD_PRELOAD=${sanitizer_preload#:} ASAN_OPTIONS=detect_leaks=0 $python"
    # shellcheck disable=SC2086  # $python is words
    if run plot_capture.py "" $python "$source_dir/examples/plot_capture.py" --simulate \
        --output "$work/capture"; then
        if [ -f "$work/capture.png" ]; then
            if head -c 8 "$work/capture.png" | od -An -c | grep -q 'P   N   G'; then
                pass "plot_capture.py plotted the capture to a PNG (matplotlib present)"
            else
                fail "plot_capture.py wrote capture.png, but it is no PNG"
            fi
        elif [ -f "$work/capture.csv" ] && grep -q 'matplotlib is not installed' "$work/out"; then
            pass "plot_capture.py wrote CSV without matplotlib"
        else
            fail "plot_capture.py wrote neither capture.png nor capture.csv"
        fi
    fi
    # shellcheck disable=SC2086
    if run "plot_capture.py --csv" "" $python "$source_dir/examples/plot_capture.py" \
        --simulate ch1=sine:1000:1.5,ch2=dc:-0.5 --csv --length 2000 --output "$work/forced"; then
        rows=$(($(wc -l <"$work/forced.csv") - 1))
        header=$(head -n 1 "$work/forced.csv")
        summary=$(awk -F, 'NR > 1 { if ($2 > max) max = $2; sum += $3; n++ }
                           END { printf "%s %s", max, sum / n }' "$work/forced.csv")
        if [ "$rows" -eq 2000 ] && [ "$header" = "time_s,ch1_V,ch2_V" ] &&
            near "${summary% *}" 1.5 0.05 && near "${summary#* }" -0.5 0.05; then
            pass "plot_capture.py --csv wrote 2000 rows of both channels"
        else
            fail "plot_capture.py --csv: got $rows rows, header $header, ch1 peak and ch2 mean $summary"
        fi
    fi
fi

echo "$passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
