#!/bin/sh
# SPDX-License-Identifier: MIT
# Runs the programming guide's C snippets on the simulated instrument and checks what each
# printed:
#
#   docs/snippets/run_snippets.sh BUILD_DIR
#
# BUILD_DIR is a native build with the snippets built (`ninja -C BUILD_DIR snippets`); the
# Python snippets use its libzarvo.so.1 and the package in python/. Ends
# with "N passed, N failed, N skipped"; exits non-zero on a failure.
set -eu

if [ $# -ne 1 ]; then
    echo "usage: $0 BUILD_DIR" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
bin=$build/docs/snippets
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
python="env PYTHONPATH=$source_dir/python ZARVO_LIBRARY=$build/libzarvo.so.1 python3"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0
skipped=0

# check NAME SIM PATTERN...: runs snippet NAME on the simulated instrument SIM (in its own
# folder, where the simulated port claims live); passes when it exits with $expected_status
# (0 unless set) and its output matches every extended regular expression given. A NAME
# ending in .py runs with Python against the build's library; in the others, words after the
# first are the program's arguments.
expected_status=0
check() {
    name=$1
    sim=$2
    shift 2
    case $name in
    *.py) command="$python $source_dir/docs/snippets/$name" ;;
    *) command=$bin/$name ;;
    esac
    rm -rf "$work/tmp" && mkdir -p "$work/tmp"
    status=0
    # shellcheck disable=SC2086  # the command is words
    (cd "$work/tmp" && TMPDIR="$work/tmp" ZARVO_SIM="$sim" timeout 120 $command) \
        >"$work/out" 2>&1 || status=$?
    missing=""
    for pattern in "$@"; do
        grep -qE -- "$pattern" "$work/out" || missing="$missing [$pattern]"
    done
    if [ "$status" -eq "$expected_status" ] && [ -z "$missing" ]; then
        passed=$((passed + 1))
        echo "ok: $name"
    else
        failed=$((failed + 1))
        echo "FAILED: $name (exit status $status; missing:$missing)"
        sed 's/^/    /' "$work/out"
    fi
}

sine=ch1=sine:1000:1.5
check start_stop 1 '^channels 2, serial 12345, calibrated 15-03-2004$' \
    '^max rate 25000000 Hz, max record 32760 samples$'
check block_capture "$sine" '^range 2 V, rate 1e\+06 Hz, triggered$' \
    '^at the trigger point [-+]0\.0[0-4][0-9] V, maximum \+1\.(4[5-9]|5[0-4])[0-9] V$'
# No trigger at 200 Hz: forced after 0.5 s, the 500 post-trigger samples take 2.5 s more, so
# the loop's give-up bound has to follow the record's duration.
check "block_capture 200" ch1=dc:-1 '^range 2 V, rate 200 Hz, trigger forced$' \
    '^at the trigger point -1\.000 V, maximum '
check timer_loop "$sine" '^record 3: -1\.(4[5-9]|5[0-4])[0-9] V \.\. \+1\.(4[5-9]|5[0-4])[0-9] V$'
check single_call "$sine" '^sample 0: raw 0x[0-9A-F]{2}00 = ' \
    '^largest difference between own and library conversion: 0 V$'
check settings "$sine" '^ranges: 80 40 20 8 4 2 0\.8 0\.4 0\.2 V$' '^asked 3 V, range 2 V$' \
    '^asked 3 MHz, got 5000000 Hz; asked 300 kHz, got 294118 Hz$' \
    '^channel 1 alone: 50000000 Hz$' '^record 10000 samples, 8000 after the trigger$' \
    '^trigger level 0\.5000 V, hysteresis 0\.0938 V, time-out 50 ms$' \
    '^auto ranging: 80 V range became [24] V$'
check square_wave 1 '^asked 250000 Hz, got 100000 Hz$' '^asked 30 Hz, got 100 Hz$' \
    '^asked 1000 Hz, got 1000 Hz$' '^measured on channel 2: (999\.[5-9]|1000\.[0-4]) Hz$' \
    '^switched off, GetSquareWaveGenFrequency 0$'
check errors 1 'before InitInstrument +RC_NO_INSTRUMENT$' 'SetMotorOn.* RC_UNAVAILABLE$' \
    'channel 3 +RC_BAD_CHANNEL$' 'tsXor\) +RC_UNAVAILABLE$' \
    'GetFunctionGenStatus +RC_GENERATOR_ABSENT$' 'above the maximum +RC_BAD_VALUE$' \
    'beyond the range +RC_BAD_VALUE$' 'null pointer +RC_BAD_VALUE$' \
    'after ExitInstrument +RC_NO_INSTRUMENT$'
if command -v python3 >/dev/null 2>&1 && [ -e "$build/libzarvo.so.1" ]; then
    check python_package.py "" '^range 2\.0 V, peak 1\.(4[5-9]|5[0-4])[0-9] V, forced False$'
    check raw_ctypes.py "$sine" '^range 2\.0 V, rate 25000000 Hz, peak 0\.[0-9]{3} V$'
else
    skipped=$((skipped + 2))
    echo "skipped: the Python snippets (no python3, or no libzarvo.so.1 in $build)"
fi
# Without an instrument a snippet says so and exits with status 2.
expected_status=2
check start_stop lpt=0 '^no instrument: RC_NO_INSTRUMENT$'
expected_status=0

echo "$passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
