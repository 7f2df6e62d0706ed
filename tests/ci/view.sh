# SPDX-License-Identifier: MIT
# Stage of test.sh: the live view (zarvo view) in the linux build ($builds/linux, made by the
# linux stage, or here when that stage did not run): its server tests, the browser tests in
# Debian's chromium driven by playwright-core, and a short run of its benchmark.

step "View: packages"
view_ready=1
if ! install_missing chromium libcpp-httplib-dev nlohmann-json3-dev; then
    fail "view: cannot install chromium and the view's libraries"
    view_ready=
fi
# Node from Debian unless some node with npm is there already.
if [ -n "$view_ready" ] && ! command -v npm >/dev/null; then
    install_missing nodejs npm || { fail "view: cannot install nodejs and npm"; view_ready=; }
fi

linux=$builds/linux
view_tests=$root/tools/servers/view/tests/browser
if [ -n "$view_ready" ]; then
    step "View: build"
    # Configures again so that the view is built even when its libraries came only now.
    mkdir -p "$linux"
    configure_and_build view-build "$linux" -DCMAKE_BUILD_TYPE=RelWithDebInfo || view_ready=
fi
if [ -n "$view_ready" ] && [ ! -x "$linux/tools/servers/view/view_tests" ]; then
    fail "view: the linux build has no view (see $linux.configure.log)"
    view_ready=
fi

if [ -n "$view_ready" ]; then
    # The linux stage's ctest runs the server tests already when it ran in this invocation.
    if [[ " ${ZARVO_STAGES:-${all_stages[*]}} " != *" linux "* ]]; then
        step "View: server tests"
        run_ctest view-server "$linux" -R '^View(Handler)?\.'
    fi

    step "View: browser tests (chromium, playwright-core)"
    if (cd "$view_tests" && npm ci --no-audit --no-fund --loglevel=error); then
        run_counted view-browser node "$view_tests/browser_test.mjs" "$linux/tools/zarvo" \
            "$linux/view-artifacts"
        echo "screenshot: $linux/view-artifacts/view.png"

        step "View: benchmark (short run)"
        node "$view_tests/view_bench.mjs" "$linux/tools/zarvo" 10 || fail "view benchmark"
    else
        fail "view: npm ci"
    fi
fi
