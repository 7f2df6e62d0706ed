#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the fuzzers with clang, AddressSanitizer and UndefinedBehaviorSanitizer in BUILD_DIR
# and runs them for about SECONDS seconds in all (default 60), starting from the seed corpus
# in tests/fuzz/corpus:
#   - the exports fuzzer on a working instrument (most of the time), with ExitInstrument
#     allowed (the lifecycle), and on instruments that misbehave (ZARVO_FUZZ_MACHINE);
#   - a check that every seed input gives the same results alone as after the others;
#   - the live view's request fuzzer (when the view is built), from tests/fuzz/view_corpus;
#   - the record-file readers' fuzzer (when the tool is built), from tests/fuzz/files_corpus;
#   - the VXI-11 procedures' fuzzer (when the tool is built with libtirpc), from seeds that
#     BUILD_DIR/tests/fuzz/vxi11_seeds writes.
# New inputs go to BUILD_DIR/fuzz-corpus/NAME; an input that crashes, hangs or trips a
# sanitizer is kept as BUILD_DIR/fuzz-artifacts/NAME-crash-..., and the script then exits
# non-zero after printing how to replay it.
#
#   tests/fuzz/run_fuzz.sh build-fuzz 60
set -uo pipefail

if [[ $# -lt 1 || $# -gt 2 ]]; then
    echo "usage: $0 BUILD_DIR [SECONDS]" >&2
    exit 2
fi
build=$1
seconds=${2:-60}
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

cmake -S "$source_dir" -B "$build" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DZARVO_FUZZ=ON -DZARVO_SANITIZE=ON -DZARVO_WERROR=ON \
    -DZARVO_BUILD_BENCH=OFF -DZARVO_BUILD_TOOLS=ON >/dev/null || exit 1
cmake --build "$build" --target api_fuzz || exit 1
fuzzer=$build/tests/fuzz/api_fuzz
view_fuzzer=
if cmake --build "$build" --target help | grep -q '^view_fuzz:'; then
    cmake --build "$build" --target view_fuzz || exit 1
    view_fuzzer=$build/tests/fuzz/view_fuzz
fi
files_fuzzer=
if cmake --build "$build" --target help | grep -q '^files_fuzz:'; then
    cmake --build "$build" --target files_fuzz || exit 1
    files_fuzzer=$build/tests/fuzz/files_fuzz
fi
vxi11_fuzzer=
if cmake --build "$build" --target help | grep -q '^vxi11_fuzz:'; then
    cmake --build "$build" --target vxi11_fuzz vxi11_seeds || exit 1
    vxi11_fuzzer=$build/tests/fuzz/vxi11_fuzz
    # Its seeds are made by code, from the calls a VISA client sends.
    mkdir -p "$build/vxi11-seeds"
    "$build/tests/fuzz/vxi11_seeds" "$build/vxi11-seeds" || exit 1
fi
mkdir -p "$build/fuzz-artifacts"
status=0

# One bounded run: NAME SECONDS, with the environment given before the call. An input that
# runs longer than -timeout seconds counts as a hang: every wait of the driver is bounded and
# the machine runs on virtual time. The message a machine without port access shows the user
# (on standard error here) is left out of the log.
# FUZZER and SEEDS (default: the exports fuzzer and its corpus) and extra options may be set
# before the call too.
run() {
    local name=$1 time=$2 target=${FUZZER:-$fuzzer} seeds=${SEEDS:-$source_dir/tests/fuzz/corpus}
    mkdir -p "$build/fuzz-corpus/$name"
    echo "---- $name: ${time} s, ZARVO_FUZZ_MACHINE=${ZARVO_FUZZ_MACHINE:-} ZARVO_FUZZ_EXIT=${ZARVO_FUZZ_EXIT:-}"
    local cpu_before cpu_after
    times >"$build/fuzz-times"  # in this shell: a subshell would count only its own children
    cpu_before=$(children_cpu)
    # shellcheck disable=SC2086
    "$target" -max_total_time="$time" -timeout=10 -max_len=2048 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$build/fuzz-artifacts/$name-" ${OPTIONS:-} \
        "$build/fuzz-corpus/$name" "$seeds" 2>&1 | tee "$build/fuzz-$name.log" |
        grep -v -e '^Windows NT / 2000 / XP requires' -e '^It was not detected on this computer' \
            -e '^Hardware will not be available$' -e '^	NEW_FUNC' -e '^#[0-9]*	NEW' \
            -e '^#[0-9]*	REDUCE'
    if [[ ${PIPESTATUS[0]} -ne 0 ]]; then
        status=1
        echo "FINDING ($name): replay it with"
        echo "  ZARVO_FUZZ_MACHINE='${ZARVO_FUZZ_MACHINE:-}' ZARVO_FUZZ_EXIT='${ZARVO_FUZZ_EXIT:-}' $target $build/fuzz-artifacts/$name-*"
    fi
    times >"$build/fuzz-times"
    cpu_after=$(children_cpu)
    local runs
    runs=$(grep -oE 'stat::number_of_executed_units: *[0-9]+' "$build/fuzz-$name.log" | grep -oE '[0-9]+$')
    awk -v n="${runs:-0}" -v a="$cpu_before" -v b="$cpu_after" -v name="$name" 'BEGIN {
        cpu = b - a; if (cpu > 0) printf "%s: %d inputs in %.1f s of CPU time: %.0f inputs per second on one core\n", name, n, cpu, n / cpu }'
}

# CPU seconds (user and system) of this shell's children that had ended at the last `times`.
children_cpu() {
    tail -n 1 "$build/fuzz-times" | awk '{
        total = 0
        for (i = 1; i <= 2; i++) { split($i, p, "m"); total += p[1] * 60 + p[2] }
        print total }'
}

share() { echo $(((seconds * $1 + 99) / 100)); }
run working "$(share 31)"
ZARVO_FUZZ_EXIT=1 run lifecycle "$(share 8)"
ZARVO_FUZZ_MACHINE=stuck=busy run stuck "$(share 6)"
ZARVO_FUZZ_MACHINE=eeprom=garbage:7 run garbage "$(share 6)"
ZARVO_FUZZ_MACHINE=model=4,ch1=square:50000:3:1,ch2=triangle:2000:0.5,ext=sine:10000:2 \
    run other_model "$(share 6)"
ZARVO_FUZZ_MACHINE=lpt=0 run absent "$(share 4)"
if [[ -n $view_fuzzer ]]; then
    FUZZER=$view_fuzzer SEEDS=$source_dir/tests/fuzz/view_corpus \
        OPTIONS="-dict=$source_dir/tests/fuzz/view.dict" run view "$(share 25)"
else
    echo "---- view: not built (the tool's view needs cpp-httplib and nlohmann-json)"
fi
if [[ -n $files_fuzzer ]]; then
    FUZZER=$files_fuzzer SEEDS=$source_dir/tests/fuzz/files_corpus run files "$(share 7)"
fi
if [[ -n $vxi11_fuzzer ]]; then
    FUZZER=$vxi11_fuzzer SEEDS=$build/vxi11-seeds run vxi11 "$(share 7)"
fi

echo "---- the seed inputs alone and after one another"
"$source_dir/tests/fuzz/replay_check.sh" "$fuzzer" "$source_dir/tests/fuzz/corpus" || status=1
exit $status
