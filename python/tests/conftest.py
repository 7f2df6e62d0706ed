# SPDX-License-Identifier: MIT
"""Shared fixtures of the package's tests.

The library starts only once per process (after it is closed it stays closed until it is
unloaded, and Python never unloads it), so every instrument session runs in a fresh Python
process: ``run_session(body)`` runs ``body`` there with ``zarvo`` and ``json`` imported and
returns the ``result`` it leaves, decoded from JSON. Each test gets its own temporary folder
as TMPDIR, where the simulated instrument keeps its port claims, so tests running side by
side do not find each other's ports busy.

ZARVO_LIBRARY must name the built library (python/run_tests.sh sets it); tests that need it
are skipped without it, and the run prints why.
"""

import json
import os
import subprocess
import sys
import textwrap

import pytest

PYTHON_DIR = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SOURCE_DIR = os.path.dirname(PYTHON_DIR)

_PRELUDE = """\
import json, sys
{before_import}
import zarvo
result = None
"""

_EPILOGUE = """
print("ZARVO-RESULT " + json.dumps(result))
"""


@pytest.fixture
def library_path():
    path = os.environ.get("ZARVO_LIBRARY", "")
    if not path:
        pytest.skip("ZARVO_LIBRARY is not set: run python/run_tests.sh BUILD_DIR")
    return path


class SessionFailed(AssertionError):
    pass


@pytest.fixture
def run_python(tmp_path):
    """Runs Python code in a fresh process with the package importable; returns the
    completed process. ``env`` replaces variables (None removes one)."""

    def run(code, env=None, timeout=60, cwd=None):
        environment = dict(os.environ)
        environment["PYTHONPATH"] = PYTHON_DIR
        environment["TMPDIR"] = str(tmp_path)
        environment.pop("ZARVO_SIM", None)
        for key, value in (env or {}).items():
            if value is None:
                environment.pop(key, None)
            else:
                environment[key] = value
        return subprocess.run(
            [sys.executable, "-c", code],
            env=environment,
            capture_output=True,
            text=True,
            timeout=timeout,
            cwd=cwd or str(tmp_path),
        )

    return run


@pytest.fixture
def run_session(run_python, library_path):
    """Runs an instrument session (the body of a script that sets ``result``) in its own
    process and returns ``result``."""

    def run(body, env=None, before_import="", timeout=60):
        code = (
            _PRELUDE.format(before_import=before_import)
            + textwrap.dedent(body)
            + _EPILOGUE
        )
        merged = {"ZARVO_LIBRARY": library_path}
        merged.update(env or {})
        done = run_python(code, env=merged, timeout=timeout)
        for line in done.stdout.splitlines():
            if line.startswith("ZARVO-RESULT "):
                return json.loads(line[len("ZARVO-RESULT ") :])
        raise SessionFailed(
            "the session ended without a result (exit %d)\n--- stdout\n%s\n--- stderr\n%s"
            % (done.returncode, done.stdout, done.stderr)
        )

    return run
