#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Checks that the programming guide shows only code that CI builds and runs.

    check_guide.py docs/guide.md docs/snippets

Every ```c and ```python block of the guide, and every ```csharp block with P/Invoke
declarations, must be a run of whole lines copied unchanged from one file of the snippets
folder, so that no fragment can drift from the programs the snippets stage runs.
"""
import pathlib
import re
import sys


def main(guide, folder):
    sources = {p.name: p.read_text().split("\n") for p in sorted(pathlib.Path(folder).iterdir())
               if p.suffix in (".c", ".h", ".py", ".cs")}
    blocks = re.findall(r"^```(\w+)\n(.*?)^```$", pathlib.Path(guide).read_text(), re.S | re.M)
    checked = 0
    errors = []
    for language, body in blocks:
        if language not in ("c", "python") and not (language == "csharp" and "[DllImport" in body):
            continue
        checked += 1
        lines = body.rstrip("\n").split("\n")
        found = any(lines == text[i:i + len(lines)]
                    for text in sources.values() for i in range(len(text) - len(lines) + 1))
        if not found:
            errors.append(f"a {language} block starting '{lines[0].strip()}' is in no snippet file")
    for e in errors:
        print("FAIL:", e)
    print(f"{checked} code blocks checked, {len(errors)} not found in {folder}")
    return 1 if errors or checked == 0 else 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2]))
