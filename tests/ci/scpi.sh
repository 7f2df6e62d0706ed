# SPDX-License-Identifier: MIT
# Stage of test.sh: zarvo serve, the SCPI server, in the linux build ($builds/linux, made by
# the linux stage, or here when that stage did not run): its parser test, the PyVISA tests
# against the simulated instrument and a short run of its benchmark.

step "SCPI: packages"
scpi_ready=1
if ! install_missing python3-pyvisa python3-pyvisa-py python3-pytest; then
    fail "scpi: cannot install python3-pyvisa, python3-pyvisa-py and python3-pytest"
    scpi_ready=
fi

linux=$builds/linux
if [ -n "$scpi_ready" ]; then
    step "SCPI: build"
    mkdir -p "$linux"
    configure_and_build scpi-build "$linux" -DCMAKE_BUILD_TYPE=RelWithDebInfo || scpi_ready=
fi

if [ -n "$scpi_ready" ]; then
    # The linux stage's ctest runs the parser test already when it ran in this invocation.
    if [[ " ${ZARVO_STAGES:-${all_stages[*]}} " != *" linux "* ]]; then
        step "SCPI: parser test"
        run_ctest scpi-parser "$linux" -R '^Scpi'
    fi

    step "SCPI: PyVISA tests"
    run_counted scpi-pyvisa "$root/tools/servers/scpi/tests/run_tests.sh" "$linux/tools/zarvo"

    step "SCPI: benchmark (short run)"
    /usr/bin/python3 "$root/tools/servers/scpi/tests/scpi_bench.py" "$linux/tools/zarvo" 5 ||
        fail "scpi benchmark"
fi
