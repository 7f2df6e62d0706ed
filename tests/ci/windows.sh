# Stage of test.sh: DLL.dll cross-built for 32-bit Windows with mingw-w64, its export and
# import tables checked, and the Windows test programs run under wine. Where this machine's
# kernel cannot run 32-bit programs (so no 32-bit wine), the test programs are built and run for
# 64-bit Windows under 64-bit wine instead, and the report says so.

if ! install_missing g++-mingw-w64-i686 wine wine32:i386; then
    fail "windows: cannot install mingw-w64 and wine"
    return 0
fi
# 32-bit wine needs a kernel that runs 32-bit programs. Without one, the Windows test
# programs run as 64-bit programs under 64-bit wine.
wine32_runs=false
if wine --version >/dev/null 2>&1; then wine32_runs=true; fi
if ! $wine32_runs && ! install_missing wine64 g++-mingw-w64-x86-64-posix; then
    fail "windows: cannot install 64-bit wine and its cross compiler"
    return 0
fi

step "Windows, 32-bit: DLL.dll and test programs"
mingw32=$builds/mingw32
if configure_and_build mingw32 "$mingw32" -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw32.cmake"; then
    step "Windows, 32-bit: checks of DLL.dll$($wine32_runs && echo ' and tests under wine')"
    WINEPREFIX=$wine_dir/prefix32 run_ctest mingw32 "$mingw32"
    if [ -x examples/run_examples.sh ]; then
        WINEPREFIX=$wine_dir/prefix32 run_counted examples-mingw32 \
            examples/run_examples.sh "$mingw32"
    fi
fi

if ! $wine32_runs; then
    notes+=("this kernel runs no 32-bit programs: the Windows test programs ran as 64-bit programs under 64-bit wine; the 32-bit DLL.dll was built and its tables checked, and its 32-bit-only calling-convention tests were built but not run")
    step "Windows, 64-bit: test programs under 64-bit wine"
    mingw64=$builds/mingw64
    if configure_and_build mingw64 "$mingw64" -DCMAKE_BUILD_TYPE=Debug \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake"; then
        WINEPREFIX=$wine_dir/prefix64 run_ctest mingw64 "$mingw64"
        if [ -x examples/run_examples.sh ]; then
            WINEPREFIX=$wine_dir/prefix64 run_counted examples-mingw64 \
                examples/run_examples.sh "$mingw64"
        fi
    fi
fi
