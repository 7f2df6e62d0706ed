#!/bin/sh
# SPDX-License-Identifier: MIT
# Reads the built DLL.dll with objdump and checks what the Windows loader and applications see,
# without running anything:
#
#   check_dll.sh exports <objdump> <DLL.dll> <export_table.h>
#       module name "DLL.dll" in the export directory, ordinal base 1, 117 slots of which 68 and
#       69 are empty, and every name at the ordinal of the table, undecorated, nothing else
#   check_dll.sh imports <objdump> <DLL.dll>
#       the DLL needs nothing but system DLLs (the C and C++ runtimes are linked in)
#   check_dll.sh stdcall <DLL.def> <export_table.h>
#       every entry of the 32-bit export list binds the name to the stdcall symbol whose
#       argument bytes match the table (the linker then proves the code has them too)
set -eu

mode=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# "ordinal name args" per line from the table's entries: {1, "InitInstrument", "i", 's', ...},
table_entries() {
    sed -nE 's/^ *\{([0-9]+), "([A-Za-z0-9_]+)", "([bwipd]*)",.*/\1 \2 \3/p' "$1"
}

case $mode in
exports)
    objdump=$2
    dll=$3
    table=$4
    "$objdump" -p "$dll" >"$work/dump" || fail "objdump cannot read $dll"
    sed -n '/^The Export Tables/,/^The Function Table/p' "$work/dump" >"$work/exports"
    [ -s "$work/exports" ] || fail "$dll has no export directory"
    grep -qE '^Name[[:space:]]+[0-9a-f]+ DLL\.dll$' "$work/exports" ||
        fail "the export directory does not name the module DLL.dll"
    grep -qE '^Ordinal Base[[:space:]]+1$' "$work/exports" || fail "ordinal base is not 1"
    grep -qE 'Export Address Table[[:space:]]+00000075$' "$work/exports" ||
        fail "the export address table does not have 117 slots"
    grep -qE 'Name Pointer/Ordinal\] Table[[:space:]]+00000073$' "$work/exports" ||
        fail "the name table does not have 115 names"
    # Slots with code: "[  66] +base[  67] 21f8 Export RVA"; empty slots are not listed.
    sed -nE 's/.*\+base\[ *([0-9]+)\] +[0-9a-f]+ Export RVA.*/\1/p' "$work/exports" |
        sort -n >"$work/slots"
    { seq 1 67; seq 70 117; } >"$work/expected_slots"
    cmp -s "$work/slots" "$work/expected_slots" ||
        fail "slots with code are not exactly 1..117 without 68 and 69: $(echo $(cat "$work/slots"))"
    # Names: "[  73] ADC_Abort", the index counted from the ordinal base.
    sed -n '/\[Ordinal\/Name Pointer\] Table/,$p' "$work/exports" |
        sed -nE 's/^[[:space:]]*\[ *([0-9]+)\] ([^[:space:]]+)$/\1 \2/p' |
        awk '{ print $1 + 1, $2 }' | sort >"$work/named"
    table_entries "$table" | awk '{ print $1, $2 }' | sort >"$work/expected_named"
    [ "$(wc -l <"$work/expected_named")" -eq 115 ] || fail "cannot read the table $table"
    if ! cmp -s "$work/named" "$work/expected_named"; then
        diff "$work/expected_named" "$work/named" >&2 || true
        fail "names and ordinals differ from the table (< expected, > in the DLL)"
    fi
    ;;
imports)
    objdump=$2
    dll=$3
    "$objdump" -p "$dll" >"$work/dump" || fail "objdump cannot read $dll"
    sed -nE 's/^[[:space:]]*DLL Name: (.*)$/\1/p' "$work/dump" | tr 'A-Z' 'a-z' | sort -u >"$work/imports"
    [ -s "$work/imports" ] || fail "no import table found in $dll"
    for name in $(cat "$work/imports"); do
        case $name in
        kernel32.dll | user32.dll | advapi32.dll | cfgmgr32.dll | msvcrt.dll) ;;
        *) fail "$dll needs $name, which is not part of Windows" ;;
        esac
    done
    echo "imports: $(echo $(cat "$work/imports"))"
    ;;
stdcall)
    def=$2
    table=$3
    table_entries "$table" | while read -r ordinal name args; do
        bytes=0
        rest=$args
        while [ -n "$rest" ]; do
            case $rest in
            d*) bytes=$((bytes + 8)) ;;
            *) bytes=$((bytes + 4)) ;;
            esac
            rest=${rest#?}
        done
        grep -qE "^[[:space:]]+$name = $name@$bytes @$ordinal\$" "$def" ||
            fail "$def: $name must be \"$name = $name@$bytes @$ordinal\""
    done
    ;;
*)
    fail "unknown mode $mode"
    ;;
esac
echo "ok: $mode"
