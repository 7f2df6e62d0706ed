#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Compares the P/Invoke declarations of a C# file with the C header.

    check_csharp.py include/zarvo.h docs/snippets/Zarvo.cs

For every [DllImport] declaration: the export exists in the header, the import names DLL.dll
with the stdcall convention, and the result and every argument have the header's size, a
pointer where the header has one (ref, out or an array) with the size of what it points to.
A wrong size would pass arguments the library does not expect and, under stdcall, leave the
caller's stack unbalanced. Exits non-zero and names each mismatch.
"""
import re
import sys

C_SIZES = {"uint8_t": 1, "uint16_t": 2, "int32_t": 4, "uint32_t": 4, "double": 8, "void": 0}
CS_SIZES = {"byte": 1, "sbyte": 1, "ushort": 2, "short": 2, "uint": 4, "int": 4,
            "float": 4, "double": 8, "long": 8, "ulong": 8, "void": 0}


def c_type(param):
    """(size or "pointer", pointee size or None) of a C parameter such as "double* value"."""
    text = param.replace("const ", "").strip()
    if "*" in text:
        return ("pointer", C_SIZES.get(text.split("*")[0].strip(), "any"))
    return (C_SIZES[text.split()[0]], None)


def cs_type(param):
    """The same for a C# parameter such as "ref double value" or "[Out] double[] ch1"."""
    text = re.sub(r"\s+\w+$", "", param.strip())
    text = re.sub(r"\[(In|Out)\]\s*", "", text).strip()
    words = text.split()
    if words[0] in ("ref", "out"):
        return ("pointer", CS_SIZES[words[1]])
    if words[0].endswith("[]"):
        return ("pointer", CS_SIZES[words[0][:-2]])
    if words[0] == "IntPtr":
        return ("pointer", "any")
    return (CS_SIZES[words[0]], None)


def params(text):
    text = text.strip()
    if text in ("", "void"):
        return []
    return [p.strip() for p in text.split(",")]


def main(header, csharp):
    exports = {}
    for m in re.finditer(r"ZARVO_API\((\w+)\)\s+(\w+)\(([^)]*)\);", open(header).read()):
        exports[m.group(2)] = (m.group(1), params(m.group(3)))
    source = open(csharp).read()
    consts = dict(re.findall(r'const\s+\w+\s+(\w+)\s*=\s*(\S+?);', source))
    errors = []
    count = 0
    for m in re.finditer(r"\[DllImport\(([^)]*)\)\]\s*public static extern (\w+) (\w+)\(([^)]*)\);",
                         source):
        attributes, result, name, args = m.groups()
        count += 1
        words = [consts.get(w.strip(), w.strip()) for w in re.split(r"[,=]", attributes)]
        if '"DLL.dll"' not in words or "CallingConvention.StdCall" not in words:
            errors.append(f"{name}: must import from DLL.dll with CallingConvention.StdCall")
        if name not in exports:
            errors.append(f"{name}: no such export in {header}")
            continue
        c_result, c_params = exports[name]
        if CS_SIZES.get(result) != C_SIZES[c_result]:
            errors.append(f"{name}: returns {result}, the header {c_result}")
        cs_params = params(args)
        if len(cs_params) != len(c_params):
            errors.append(f"{name}: {len(cs_params)} arguments, the header {len(c_params)}")
            continue
        for i, (cs, c) in enumerate(zip(cs_params, c_params), 1):
            want = c_type(c)
            have = cs_type(cs)
            if want[0] != have[0] or "any" not in (want[1], have[1]) and want[1] != have[1]:
                errors.append(f"{name}: argument {i} is '{cs}', the header has '{c}'")
    for e in errors:
        print("FAIL:", e)
    if count == 0:
        print(f"FAIL: no [DllImport] declarations in {csharp}")
        return 1
    print(f"{count} declarations checked, {len(errors)} mismatches")
    return 1 if errors else 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2]))
