# SPDX-License-Identifier: MIT
# Stage of test.sh: zarvo serve, the SCPI server, in the linux build ($builds/linux, made by
# the linux stage, or here when that stage did not run): its parser test, the PyVISA tests
# against the simulated instrument over the raw socket and over VXI-11 (with lxi-tools too),
# and a short run of its benchmark.

step "SCPI: packages"
scpi_ready=1
if ! install_missing python3-pyvisa python3-pyvisa-py python3-pytest; then
    fail "scpi: cannot install python3-pyvisa, python3-pyvisa-py and python3-pytest"
    scpi_ready=
fi
# VXI-11: libtirpc to build it, the port mapper it registers with, lxi-tools as a client.
vxi11_ready=1
if ! install_missing libtirpc-dev libavahi-client-dev rpcbind lxi-tools; then
    fail "scpi: cannot install libtirpc-dev, libavahi-client-dev, rpcbind and lxi-tools"
    vxi11_ready=
fi
# The announcement on the network: the avahi daemon on the system bus, started here when the
# machine runs neither (a container); without them that test skips with the server's reason.
if install_missing avahi-daemon && ! pgrep -x avahi-daemon >/dev/null && [ "$(id -u)" = 0 ]; then
    mkdir -p /run/dbus
    [ -S /run/dbus/system_bus_socket ] || dbus-daemon --system --fork 2>/dev/null
    avahi-daemon -D --no-chroot 2>/dev/null
fi
if [ -n "$vxi11_ready" ] && ! rpcinfo -p 127.0.0.1 >/dev/null 2>&1; then
    # A container starts no services: the port mapper is started here (it needs root).
    if [ "$(id -u)" = 0 ] && command -v rpcbind >/dev/null; then
        rpcbind -w 2>/dev/null || rpcbind 2>/dev/null
        sleep 1
    fi
    rpcinfo -p 127.0.0.1 >/dev/null 2>&1 ||
        echo "scpi: no RPC port mapper runs and none could be started: the VXI-11 tests skip"
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

    step "SCPI: VXI-11 with PyVISA (TCPIP::127.0.0.1::INSTR) and lxi-tools"
    run_counted scpi-vxi11 "$root/tools/servers/scpi/tests/run_tests.sh" "$linux/tools/zarvo" \
        --vxi11

    step "SCPI: benchmark (short run)"
    /usr/bin/python3 "$root/tools/servers/scpi/tests/scpi_bench.py" "$linux/tools/zarvo" 5 ||
        fail "scpi benchmark"
fi
