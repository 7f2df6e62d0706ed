# SPDX-License-Identifier: MIT
# Stage of test.sh: the Linux build (gcc) with its tests, the Python package, the examples,
# an install into a prefix, a valgrind session and short benchmark runs.

step "Linux: build"
linux=$builds/linux
if configure_and_build linux "$linux" -DCMAKE_BUILD_TYPE=RelWithDebInfo; then
    step "Linux: tests"
    # sigrok's own UART decoder reads the logic channels of the tool's .sr files in one test,
    # which says it is skipped where sigrok-cli cannot be installed.
    install_missing sigrok-cli || echo "sigrok-cli cannot be installed: its test is skipped"
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
