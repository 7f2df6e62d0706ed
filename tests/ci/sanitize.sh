# SPDX-License-Identifier: MIT
# Stage of test.sh: the tests again built with AddressSanitizer and UndefinedBehaviorSanitizer,
# and again built with clang (every compiler must accept the code without a warning).

step "Linux with AddressSanitizer and UndefinedBehaviorSanitizer: build"
sanitize=$builds/sanitize
if configure_and_build sanitize "$sanitize" -DCMAKE_BUILD_TYPE=Debug -DZARVO_SANITIZE=ON \
    -DZARVO_BUILD_BENCH=OFF; then
    step "Linux with sanitizers: tests"
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
        run_ctest sanitize "$sanitize"
fi


step "Linux with clang: build"
# The clang build doubles as the coverage build: the library's objects record which lines and
# branches the tests ran (gcov data), and gcovr sums them up afterwards. No extra build.
clang_dir=$builds/clang
clang_major=$(clang -dumpversion | cut -d. -f1)
install_missing gcovr "llvm-$clang_major" || fail "coverage: cannot install gcovr"
find "$clang_dir" -name '*.gcda' -delete 2>/dev/null
if CC=clang CXX=clang++ configure_and_build clang "$clang_dir" -DCMAKE_BUILD_TYPE=Debug \
    -DZARVO_BUILD_BENCH=OFF -DZARVO_COVERAGE=ON; then
    step "Linux with clang: tests"
    run_ctest clang "$clang_dir"
    step "Coverage of the library by the tests"
    if coverage=$(tests/ci/coverage.sh "$clang_dir" "llvm-cov-$clang_major gcov"); then
        echo "$coverage"
        notes+=("coverage of the library by the tests: $(tail -n 1 <<<"$coverage")")
    else
        echo "$coverage"
        fail "coverage: gcovr"
    fi
fi
