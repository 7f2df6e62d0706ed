#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks the package installation the README's two commands share (packaging/setup.sh) against
# a stand-in apt-get: an index that fails to read during a mirror sync must not stop an install
# that can still succeed, and a failing install must fail with apt's own message.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
# Nothing counts as installed; apt-get's answers come from the variables below.
cat >"$work/bin/dpkg-query" <<'STUB'
#!/bin/sh
exit 1
STUB
cat >"$work/bin/apt-get" <<'STUB'
#!/bin/sh
echo "$*" >>"$APT_CALLS"
case "$1" in
update)
    echo "E: Failed to fetch http://mirror/dists/main/binary-i386/Packages.xz  File has unexpected size (1234 != 5678). Mirror sync in progress? [IP: 10.0.0.1 80]" >&2
    exit 100 ;;
install)
    [ "$APT_INSTALL" = ok ] && exit 0
    echo "E: Unable to locate package $5" >&2
    exit 100 ;;
esac
STUB
chmod +x "$work/bin/"*
export PATH="$work/bin:$PATH" ZARVO_APT_PAUSES="0 0" APT_CALLS="$work/calls"

failed=0
check() {
    local what=$1
    shift
    if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failed=1; fi
}

out=$(APT_INSTALL=ok bash -c "source '$root/packaging/setup.sh'; install_missing cmake ninja-build" 2>&1)
status=$?
check "a failing index does not stop an install that succeeds" [ $status -eq 0 ]
check "apt-get update was tried three times" [ "$(grep -c '^update' "$work/calls")" -eq 3 ]
check "then the install ran" grep -q '^install .*cmake ninja-build' "$work/calls"
check "the index's problem was shown" grep -q 'Mirror sync in progress' <<<"$out"

out=$(APT_INSTALL=no bash -c "source '$root/packaging/setup.sh'; install_missing nosuchpackage" 2>&1)
status=$?
check "a failing install fails" [ $status -ne 0 ]
check "with apt's message" grep -q 'Unable to locate package nosuchpackage' <<<"$out"
exit $failed
