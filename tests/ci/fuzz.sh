# SPDX-License-Identifier: MIT
# Stage of test.sh: bounded fuzzer runs.

step "Fuzzers: the exports and the live view's requests, bounded runs from the seed corpora"
run_check fuzz tests/fuzz/run_fuzz.sh "$builds/fuzz" "${ZARVO_FUZZ_SECONDS:-75}"
