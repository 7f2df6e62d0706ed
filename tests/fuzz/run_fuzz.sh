#!/usr/bin/env bash
# Builds the API fuzzer with clang, AddressSanitizer and UndefinedBehaviorSanitizer in
# BUILD_DIR and runs it for SECONDS seconds (default 60), starting from the seed corpus in
# tests/fuzz/corpus. New inputs go to BUILD_DIR/fuzz-corpus, and an input that crashes, hangs
# or trips a sanitizer is kept in BUILD_DIR/fuzz-artifacts; the script then exits non-zero.
#
#   tests/fuzz/run_fuzz.sh build-fuzz 60
#   build-fuzz/tests/fuzz/api_fuzz build-fuzz/fuzz-artifacts/crash-...   # replay one input
set -euo pipefail

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
    -DZARVO_FUZZ=ON -DZARVO_SANITIZE=ON \
    -DZARVO_BUILD_BENCH=OFF -DZARVO_BUILD_TOOLS=OFF >/dev/null
cmake --build "$build" --target api_fuzz

mkdir -p "$build/fuzz-corpus" "$build/fuzz-artifacts"
# One input that runs longer than -timeout seconds counts as a hang: every wait of the
# driver is bounded, and the machine runs on virtual time. The message a machine without port
# access shows the user (on standard error here) is left out of the log.
"$build/tests/fuzz/api_fuzz" \
    -max_total_time="$seconds" \
    -timeout=30 \
    -max_len=1024 \
    -rss_limit_mb=2048 \
    -print_final_stats=1 \
    -artifact_prefix="$build/fuzz-artifacts/" \
    "$build/fuzz-corpus" "$source_dir/tests/fuzz/corpus" 2>&1 |
    grep -v -e '^Windows NT / 2000 / XP requires' -e '^It was not detected on this computer' \
        -e '^Hardware will not be available$'
