#!/bin/sh
# SPDX-License-Identifier: MIT
# Runs the Python package's tests against a built library, each instrument session in a
# fresh Python process on the simulated instrument:
#
#   python/run_tests.sh BUILD_DIR [pytest arguments...]
#
# BUILD_DIR is a CMake build of the library (libzarvo.so.1 at its top). The tests need pytest;
# with numpy installed they also check that samples come as numpy arrays (Debian:
# python3-pytest, python3-numpy), and read the record files back with numpy, a WAV reader
# (python3-soundfile or python3-scipy) and sigrok-cli. $PYTHON chooses the interpreter; otherwise the first of
# python3 and /usr/bin/python3 that has pytest (and numpy, when one has both).
set -eu

if [ $# -lt 1 ]; then
    echo "usage: $0 BUILD_DIR [pytest arguments...]" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
shift
here=$(cd "$(dirname "$0")" && pwd)

library=""
for name in libzarvo.so.1 libzarvo.so libzarvo.1.dylib; do
    if [ -e "$build/$name" ]; then
        library=$build/$name
        break
    fi
done
if [ -z "$library" ]; then
    echo "$0: no built library (libzarvo.so.1) in $build" >&2
    exit 2
fi

has() { "$1" -c "import $2" >/dev/null 2>&1; }
python=${PYTHON:-}
if [ -z "$python" ]; then
    for candidate in python3 /usr/bin/python3; do
        if command -v "$candidate" >/dev/null 2>&1 && has "$candidate" pytest; then
            [ -z "$python" ] && python=$candidate
            if has "$candidate" numpy; then
                python=$candidate
                break
            fi
        fi
    done
fi
if [ -z "$python" ]; then
    echo "$0: no Python with pytest found (Debian: apt-get install python3-pytest python3-numpy)" >&2
    exit 2
fi
has "$python" numpy || echo "$0: numpy is not installed: samples are checked as lists only" >&2

# A library built with the sanitizers (ZARVO_SANITIZE) needs their runtimes loaded before the
# Python interpreter starts.
sanitizer_preload=""
if grep -q '^ZARVO_SANITIZE:BOOL=ON' "$build/CMakeCache.txt" 2>/dev/null; then
    compiler=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$build/CMakeCache.txt")
    for runtime in libasan.so libubsan.so; do
        found=$("$compiler" -print-file-name=$runtime)
        [ -f "$found" ] && sanitizer_preload="$sanitizer_preload:$found"
    done
fi
if [ -n "$sanitizer_preload" ]; then
    export LD_PRELOAD="${sanitizer_preload#:}"
    export ASAN_OPTIONS=detect_leaks=0  # the interpreter's own allocations are not ours
fi

export ZARVO_LIBRARY="$library"
# The zarvo tool of the same build, for the record files it writes (tests/test_files.py).
[ -x "$build/tools/zarvo" ] && export ZARVO_TOOL="$build/tools/zarvo"
unset ZARVO_SIM
cd "$here"
# No caches in the source tree.
export PYTHONDONTWRITEBYTECODE=1
exec "$python" -m pytest -p no:cacheprovider -q tests "$@"
