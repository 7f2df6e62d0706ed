# SPDX-License-Identifier: MIT
# Stage of test.sh: DLL.dll cross-built for 32-bit Windows with mingw-w64, its export and
# import tables checked, an install of it checked, and the Windows test programs and the
# examples run as 32-bit programs under 32-bit wine.
#
# Where this machine's kernel runs no 32-bit programs, 32-bit wine runs under user-mode
# emulation: qemu-i386, registered with the kernel (binfmt_misc) for 32-bit x86 programs.
# Only where that cannot be set up, or 32-bit wine cannot be installed, do the test programs
# run for 64-bit Windows under 64-bit wine instead; the summary says which happened, and why.

windows_started=$SECONDS

# Registers qemu-i386 as the kernel's handler of 32-bit x86 Linux programs, reusing a
# registration that exists. The F flag makes the kernel open the emulator now, so it is found
# whatever the mount namespace or root of the programs it later runs. Needs root. False, with
# the reason in $emulation_problem, when it cannot be done.
enable_i386_emulation() {
    local binfmt=/proc/sys/fs/binfmt_misc
    emulation_problem=""
    if ! install_missing qemu-user; then
        emulation_problem="qemu-user cannot be installed"
        return 1
    fi
    if [ ! -e "$binfmt/register" ] &&
        ! mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null; then
        emulation_problem="binfmt_misc cannot be mounted at $binfmt (not root, or no kernel support)"
        return 1
    fi
    grep -qx enabled "$binfmt/status" || echo 1 >"$binfmt/status" 2>/dev/null
    if [ -e "$binfmt/qemu-i386" ]; then
        grep -qx enabled "$binfmt/qemu-i386" || echo 1 >"$binfmt/qemu-i386" 2>/dev/null
    else
        local magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
        local mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
        if ! printf '%s' ":qemu-i386:M::$magic:$mask:/usr/bin/qemu-i386:F" \
            >"$binfmt/register" 2>/dev/null; then
            emulation_problem="qemu-i386 cannot be registered in $binfmt"
            return 1
        fi
    fi
    if ! wine --version >/dev/null 2>&1; then
        emulation_problem="32-bit wine does not start even with qemu-i386 registered"
        return 1
    fi
}

# wine64 as well: in a prefix of 64-bit wine, wine's own services run as native 64-bit
# programs, and only the 32-bit programs under test need the emulator.
if ! install_missing g++-mingw-w64-i686 wine wine64; then
    fail "windows: cannot install mingw-w64 and wine"
    return 0
fi
# 32-bit wine comes from the i386 package lists, which a mirror in the middle of a sync can
# leave unreadable while everything else installs: the 64-bit programs then stand in.
# ZARVO_EMULATE_I386=1 uses the emulation even where the kernel runs 32-bit programs itself
# (the registration then takes precedence), to try the emulated run on such a machine.
wine32=native
wine32_missing=
if ! install_missing wine32:i386; then
    wine32=none
    wine32_missing="32-bit wine could not be installed"
    notes+=("32-bit wine could not be installed (see the Packages lines of the Windows stage): the Windows test programs ran as 64-bit programs under 64-bit wine; the 32-bit DLL.dll was built, its tables and install checked, and its 32-bit-only calling-convention tests were built but not run")
elif [ -n "${ZARVO_EMULATE_I386:-}" ] || ! wine --version >/dev/null 2>&1; then
    if enable_i386_emulation; then
        wine32=emulated
        export ZARVO_WINE_EMULATED=1
        why="this kernel runs no 32-bit programs"
        [ -z "${ZARVO_EMULATE_I386:-}" ] || why="32-bit emulation asked for (ZARVO_EMULATE_I386)"
        notes+=("$why: the 32-bit Windows test programs and examples ran under 32-bit wine emulated by qemu-i386 (binfmt_misc)")
    else
        wine32=none
        notes+=("this kernel runs no 32-bit programs and their emulation could not be set up ($emulation_problem): the Windows test programs ran as 64-bit programs under 64-bit wine; the 32-bit DLL.dll was built, its tables and install checked, and its 32-bit-only calling-convention tests were built but not run")
    fi
fi
if [ $wine32 = none ] && ! install_missing g++-mingw-w64-x86-64-posix; then
    fail "windows: cannot install the 64-bit cross compiler"
    return 0
fi

step "Windows, 32-bit: DLL.dll and test programs"
mingw32=$builds/mingw32
if configure_and_build mingw32 "$mingw32" -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw32.cmake" \
    -DZARVO_WINE_OFF="$wine32_missing"; then
    step "Windows, 32-bit: checks of DLL.dll$([ $wine32 != none ] && echo " and tests under wine ($wine32)")"
    WINEPREFIX=$wine_dir/prefix32 run_ctest mingw32 "$mingw32"
    # Without 32-bit wine, 64-bit wine would start the 32-bit examples and fail; the 64-bit
    # build's examples run below instead.
    if [ -x examples/run_examples.sh ] && [ -z "$wine32_missing" ]; then
        WINEPREFIX=$wine_dir/prefix32 run_counted examples-mingw32 \
            examples/run_examples.sh "$mingw32"
    fi
fi

if [ $wine32 = none ]; then
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
echo "Windows stage: $(((SECONDS - windows_started) / 60)) min $(((SECONDS - windows_started) % 60)) s"
