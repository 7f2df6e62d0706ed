#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the PyVISA tests of zarvo serve against a built tool, with Debian's Python (which has
# python3-pyvisa and python3-pyvisa-py):
#
#   tools/servers/scpi/tests/run_tests.sh build/linux/tools/zarvo [pytest options]
set -euo pipefail
tool=$(realpath "$1")
shift
cd "$(dirname "$0")"
exec /usr/bin/python3 -m pytest -q -p no:cacheprovider -W ignore::DeprecationWarning \
    test_scpi.py --zarvo "$tool" "$@"
