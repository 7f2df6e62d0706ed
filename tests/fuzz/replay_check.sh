#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks that the exports fuzzer's inputs do not depend on what ran before them: runs every
# input of a corpus once in one process (each after all those before it) and once alone in a
# process of its own, with the result trace on, and compares the two traces of each input.
#
#   tests/fuzz/replay_check.sh FUZZER CORPUS_DIR
#
# Prints one line per input whose traces differ and ends with "N passed, N failed".
set -uo pipefail

if [[ $# -ne 2 ]]; then
    echo "usage: $0 FUZZER CORPUS_DIR" >&2
    exit 2
fi
fuzzer=$1
corpus=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mapfile -t inputs < <(find "$corpus" -maxdepth 1 -type f | sort)
if [[ ${#inputs[@]} -eq 0 ]]; then
    echo "no inputs in $corpus" >&2
    exit 2
fi
# The leak check would run an input a second time when the first one allocates for good (the
# start-up does): only the run itself is compared.
ZARVO_FUZZ_TRACE=$work/together "$fuzzer" -detect_leaks=0 "${inputs[@]}" >/dev/null 2>&1 ||
    { echo "the run of the whole corpus failed" >&2; exit 1; }
for input in "${inputs[@]}"; do
    ZARVO_FUZZ_TRACE=$work/alone "$fuzzer" -detect_leaks=0 "$input" >/dev/null 2>&1 ||
        { echo "running $input alone failed" >&2; exit 1; }
done

python3 - "$work/together" "$work/alone" "${inputs[@]}" <<'PY'
import sys

def blocks(path):
    out, current = [], None
    with open(path) as f:
        for line in f:
            if line.startswith("== input "):
                current = [line]
                out.append(current)
            elif current is not None:
                current.append(line)
    return ["".join(b) for b in out]

together, alone, names = blocks(sys.argv[1]), blocks(sys.argv[2]), sys.argv[3:]
if len(together) != len(names) or len(alone) != len(names):
    print(f"expected {len(names)} traces, got {len(together)} together and {len(alone)} alone")
    sys.exit(1)
failed = 0
for name, a, b in zip(names, together, alone):
    if a != b:
        failed += 1
        diff = next(i for i, (x, y) in enumerate(zip(a.splitlines(), b.splitlines()))
                    if x != y) if a.splitlines()[:1] == b.splitlines()[:1] else 0
        print(f"differs: {name} (first at result {diff})")
print(f"{len(names) - failed} passed, {failed} failed")
sys.exit(1 if failed else 0)
PY
