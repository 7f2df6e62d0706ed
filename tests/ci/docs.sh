# SPDX-License-Identifier: MIT
# Stage of test.sh: the API reference built by Doxygen from include/zarvo.h (any warning, such
# as an undocumented export or parameter, fails it), the guide's code blocks found verbatim in
# its snippets, the C# declarations of the guide checked against the header, and the snippets
# (C and Python) run on the simulated instrument. Runs after the linux stage and uses its build
# folder (configured here when that stage did not run).

step "Docs: API reference"
if install_missing doxygen; then
    docs_out=$builds/docs
    rm -rf "$docs_out" && mkdir -p "$docs_out"
    # Exactly the README's command, from a tree without its output folder, as on a fresh
    # clone (the folder holds nothing but this command's output); the HTML is then copied to
    # the build folder.
    run_check docs-reference sh -c \
        'rm -rf build-docs && doxygen docs/Doxyfile && test -s build-docs/reference/index.html &&
         test -s build-docs/reference/group__measurement.html && cp -R build-docs/reference "$1/html"' \
        sh "$docs_out"
else
    fail "docs: cannot install doxygen"
fi
# Doxygen does not report an enumerator without a comment, so every one must carry its own.
run_check docs-enumerators sh -c \
    '! grep -nE "^[[:space:]]+[A-Za-z_][A-Za-z0-9_]* = [0-9]+,?[[:space:]]*$" include/zarvo.h'

step "Docs: the guide's code against the snippets, the C# declarations against the header"
run_check docs-guide python3 docs/snippets/check_guide.py docs/guide.md docs/snippets
run_check docs-csharp python3 docs/snippets/check_csharp.py include/zarvo.h docs/snippets/Zarvo.cs

step "Docs: the guide's snippets on the simulated instrument"
linux=$builds/linux
docs_ready=1
if [ ! -f "$linux/build.ninja" ]; then
    configure_and_build docs-linux "$linux" -DCMAKE_BUILD_TYPE=RelWithDebInfo || docs_ready=
fi
if [ -n "$docs_ready" ] && ninja -C "$linux" snippets >"$linux.snippets.log" 2>&1; then
    run_counted snippets docs/snippets/run_snippets.sh "$linux"
else
    [ -f "$linux.snippets.log" ] && tail -n 30 "$linux.snippets.log"
    fail "docs: the snippets did not build"
fi
