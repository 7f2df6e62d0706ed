# Stage of test.sh: bounded fuzzer runs.

step "API fuzzer: a bounded run from the seed corpus"
run_check fuzz tests/fuzz/run_fuzz.sh "$builds/fuzz" "${ZARVO_FUZZ_SECONDS:-60}"
