#!/bin/sh
# SPDX-License-Identifier: MIT
# Runs a program of a Windows cross build under wine, as the tests need it:
#
#   wine-run.sh <wine loader> <default prefix> <program.exe> [arguments...]
#   wine-run.sh <wine loader> <default prefix> --prepare
#
# No display: message boxes return at once and no top-level window can be made, so nothing
# ever waits for a person. No wine debug output. The wine prefix is $WINEPREFIX when set,
# otherwise <default prefix>; it is created on first use, which takes seconds on a machine
# that runs 32-bit code natively and minutes where it is emulated. --prepare only makes sure
# the prefix exists and its wine server and services run, and runs no program.
set -eu
loader=$1
prefix=$2
shift 2
unset DISPLAY WAYLAND_DISPLAY
export WINEDEBUG=-all
export WINEPREFIX="${WINEPREFIX:-$prefix}"
# No browser or .NET runtime in the prefix: nothing here needs them, and without a display
# their installers could not ask anyway.
export WINEDLLOVERRIDES="mscoree,mshtml="

server="$(dirname "$loader")/wineserver"
[ -x "$server" ] || server=wineserver
# Making the prefix and starting its services is done by 64-bit wine where it is installed:
# where 32-bit code is emulated, every 32-bit program start costs a minute or more.
setup=$loader
for candidate in "$(dirname "$loader")/wine64" /usr/lib/wine/wine64; do
    if [ -x "$candidate" ]; then
        setup=$candidate
        break
    fi
done
prefix_dir=${WINEPREFIX%/}

# One wine server, and with it the prefix's services, is kept running between programs:
# starting them costs seconds per program. The server ends by itself 5 minutes after its last
# client: an emulated 32-bit program spends well over a minute starting up before it first
# connects, and the server must still be there then. Services inherit the output of the program that starts them, and a caller reading
# that output (ctest) would wait until they end, so they are always started by a program of
# their own with its output closed. Programs started in parallel take turns for this step.
mkdir -p "$(dirname "$prefix_dir")"
(
    flock 9
    if [ ! -d "$prefix_dir" ]; then
        "$setup" wineboot -i </dev/null >/dev/null 2>&1 9>&- || true
        "$server" -w </dev/null >/dev/null 2>&1 9>&- || true
    fi
    # Status 0: this call started the server (2: one runs already).
    if "$server" -p300 </dev/null >/dev/null 2>&1 9>&-; then
        "$setup" cmd /c exit 0 </dev/null >/dev/null 2>&1 9>&- || true
    fi
) 9>"$prefix_dir.lock"

[ "${1:-}" = --prepare ] && exit 0

# A test program writes its own report as well. Where 32-bit code is emulated
# (ZARVO_WINE_EMULATED, set by the CI stage), wine sometimes takes a test program down with
# SIGKILL while it exits, after every case has run and the report is written: the program's
# report is then its result. Any other ending, and a kill before the report, is the status.
case "$1" in
*_tests.exe) ;;
*) exec "$loader" "$@" ;;
esac
report=$(mktemp --suffix=.json)
trap 'rm -f "$report"' EXIT
status=0
"$loader" "$@" "--gtest_output=json:Z:$report" || status=$?
# The report's first counts are the whole program's.
count() {
    n=$(grep -m1 "\"$1\": " "$report" | tr -dc 0-9)
    echo "${n:-0}"
}
if [ "$status" -eq 137 ] && [ -n "${ZARVO_WINE_EMULATED:-}" ] && [ "$(count tests)" -gt 0 ] &&
    [ "$(count failures)" = 0 ] && [ "$(count errors)" = 0 ]; then
    echo "wine-run.sh: killed while exiting under emulation; its report says every case passed"
    status=0
fi
exit "$status"
