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
clang_dir=$builds/clang
if CC=clang CXX=clang++ configure_and_build clang "$clang_dir" -DCMAKE_BUILD_TYPE=Debug \
    -DZARVO_BUILD_BENCH=OFF; then
    step "Linux with clang: tests"
    run_ctest clang "$clang_dir"
fi
