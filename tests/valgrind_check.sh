#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Memory check of one end-to-end session under valgrind memcheck: the zarvo tool, linked to the
# shared library as an application is, starts the library on the simulated instrument, takes a
# block-mode record of both channels, measures a few records with the single-call
# measurement, and shuts the library down. Any invalid access, use of an uninitialised value or
# leak after ExitInstrument fails the check.
#
#   tests/valgrind_check.sh BUILD_DIR
#
# BUILD_DIR is an ordinary (not sanitized) build with the tool built. The simulated machine
# runs on virtual time, so the start-up's port probes and the runs cost port operations
# rather than wall time, and the run is the same every time.
set -euo pipefail

if [[ $# -ne 1 ]]; then
    echo "usage: $0 BUILD_DIR" >&2
    exit 2
fi
build=$1
tool=$build/tools/zarvo
if [[ ! -x $tool ]]; then
    echo "$0: $tool not found: build the zarvo_tool target first" >&2
    exit 2
fi
if ! command -v valgrind >/dev/null; then
    echo "$0: valgrind is not installed" >&2
    exit 2
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The simulated ports are claimed through lock files in the temporary directory.
export TMPDIR=$work

memcheck() {
    valgrind --tool=memcheck --leak-check=full --show-leak-kinds=definite,indirect,possible \
        --errors-for-leak-kinds=definite,indirect,possible --track-origins=yes \
        --error-exitcode=1 --quiet "$tool" "$@"
}

echo "valgrind: capture, both channels, block mode"
memcheck --simulate=time=virtual,ch2=square:5000:0.5 capture --channels both --length 2000 \
    --rate 1e6 >"$work/capture.csv"
echo "valgrind: monitor, three single-call measurements"
memcheck --simulate=time=virtual monitor --count 3 --length 1000 --timeout 0.1 >"$work/monitor.txt"
# The sessions did produce their records.
[[ $(wc -l <"$work/capture.csv") -ge 2000 ]]
[[ $(wc -l <"$work/monitor.txt") -ge 3 ]]
echo "valgrind: no errors and no leaks"
