#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the PyVISA tests of zarvo serve against a built tool, with Debian's Python (which has
# python3-pyvisa and python3-pyvisa-py): the raw socket's, or with --vxi11 those of VXI-11
# (PyVISA with TCPIP::127.0.0.1::INSTR, and lxi-tools; they need rpcbind running):
#
#   tools/servers/scpi/tests/run_tests.sh build/linux/tools/zarvo [--vxi11] [pytest options]
set -euo pipefail
tool=$(realpath "$1")
shift
tests=test_scpi.py
if [[ ${1:-} == --vxi11 ]]; then
    tests=test_vxi11.py
    shift
fi
cd "$(dirname "$0")"
exec /usr/bin/python3 -m pytest -q -p no:cacheprovider -W ignore::DeprecationWarning \
    "$tests" --zarvo "$tool" "$@"
