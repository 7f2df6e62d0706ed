#!/bin/sh
# SPDX-License-Identifier: MIT
# Checks that the library's outside face is exactly the API of include/zarvo.h.
#
#   check_exports.sh header <zarvo.h>                      the header declares 115 distinct exports
#   check_exports.sh shared <zarvo.h> <libzarvo.so>        the dynamic symbol table defines exactly
#                                                          those functions, nothing more
#   check_exports.sh map <zarvo.h> <libzarvo.map>          the version script makes exactly those global
#   check_exports.sh def <zarvo.h> <DLL.def>               the Windows export list names exactly those,
#                                                          each at one ordinal of 1..117, 68 and 69 empty
set -eu

mode=$1
header=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Every declaration of the header reads "ZARVO_API(type) Name(".
grep -oE 'ZARVO_API\([A-Za-z0-9_]+\) +[A-Za-z0-9_]+\(' "$header" |
    sed -E 's/^ZARVO_API\([A-Za-z0-9_]+\) +//; s/\($//' | sort >"$work/expected"
count=$(wc -l <"$work/expected")
[ "$count" -eq 115 ] || fail "$header declares $count exports, expected 115"
dups=$(uniq -d "$work/expected")
[ -z "$dups" ] || fail "$header declares these more than once: $dups"

# Compares a sorted name list with the header's and names every difference.
same_names() {
    what=$1
    list=$2
    missing=$(comm -23 "$work/expected" "$list")
    extra=$(comm -13 "$work/expected" "$list")
    [ -z "$missing" ] || fail "$what lacks: $(echo $missing)"
    [ -z "$extra" ] || fail "$what has names that are not exports of the API: $(echo $extra)"
}

case $mode in
header)
    ;;
shared)
    library=$3
    "${NM:-nm}" -D --defined-only "$library" >"$work/nm" || fail "nm cannot read $library"
    awk '{ print $NF }' "$work/nm" | sort >"$work/defined"
    same_names "$library" "$work/defined"
    # All of them must be code: a data symbol under an export's name would crash callers.
    not_code=$(awk '$2 != "T" { print $NF }' "$work/nm")
    [ -z "$not_code" ] || fail "not functions in $library: $(echo $not_code)"
    ;;
map)
    map=$3
    # Names between "global:" and "local:", one "Name;" per line.
    sed -n '/global:/,/local:/p' "$map" | grep -oE '^[[:space:]]*[A-Za-z_][A-Za-z0-9_]*;' |
        tr -d ' \t;' | sort >"$work/global"
    same_names "$map" "$work/global"
    grep -qE '^[[:space:]]*\*;' "$map" || fail "$map does not make every other symbol local"
    ;;
def)
    def=$3
    grep -q '^LIBRARY "DLL.dll"' "$def" || fail "$def does not name the module DLL.dll"
    # Entries read "Name = Name@bytes @ordinal".
    grep -E '^[[:space:]]+[A-Za-z_]' "$def" >"$work/entries"
    bad=$(grep -vE '^[[:space:]]+([A-Za-z_][A-Za-z0-9_]*) = \1@[0-9]+ @[0-9]+$' "$work/entries" || true)
    [ -z "$bad" ] || fail "malformed entries in $def: $bad"
    awk '{ print $1 }' "$work/entries" | sort >"$work/names"
    same_names "$def" "$work/names"
    awk '{ sub("@", "", $4); print $4 }' "$work/entries" | sort -n >"$work/ordinals"
    { seq 1 67; seq 70 117; } >"$work/slots"
    cmp -s "$work/ordinals" "$work/slots" ||
        fail "$def must use every ordinal from 1 to 117 once, except 68 and 69"
    ;;
*)
    fail "unknown mode $mode"
    ;;
esac
echo "ok: $mode"
