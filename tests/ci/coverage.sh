#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Line and branch coverage of the library's own code (api, instrument, engine, hardware,
# platform, sim; not the tests or the tools) from the gcov data a ZARVO_COVERAGE=ON build left
# after its tests ran. Prints gcovr's table of files, then one line:
#   "93.1 % of lines, 66.0 % of branches"
#
#   tests/ci/coverage.sh BUILD_DIR [GCOV_COMMAND]     (default "llvm-cov-14 gcov")
set -uo pipefail

if [[ $# -lt 1 || $# -gt 2 ]]; then
    echo "usage: $0 BUILD_DIR [GCOV_COMMAND]" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
gcov=${2:-llvm-cov-14 gcov}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

filters=()
for dir in api instrument engine hardware platform sim; do filters+=(--filter "$root/$dir/"); done
summary=$(cd "$root" && gcovr --root "$root" --object-directory "$build" \
    --gcov-executable "$gcov" "${filters[@]}" --exclude-unreachable-branches \
    --print-summary --txt - "$build" 2>&1) || { echo "$summary"; exit 1; }
echo "$summary" | grep -v -e '^lines:' -e '^branches:'
lines=$(grep -oE '^lines: [0-9.]+%' <<<"$summary" | grep -oE '[0-9.]+')
branches=$(grep -oE '^branches: [0-9.]+%' <<<"$summary" | grep -oE '[0-9.]+')
if [[ -z $lines || -z $branches ]]; then
    echo "gcovr gave no summary" >&2
    exit 1
fi
echo "$lines % of lines, $branches % of branches"
