# SPDX-License-Identifier: MIT
"""Starts `zarvo serve` on the simulated instrument for the PyVISA tests and the benchmark.

The tool comes from --zarvo or the ZARVO_TOOL environment variable. Each server claims its
simulated port through files in a TMPDIR of its own, so that runs beside other programs using
the simulated instrument do not collide.
"""
import os
import re
import signal
import subprocess
import tempfile

import pytest
import pyvisa


class Server:
    def __init__(self, zarvo, simulate="1", idle=0.5, args=()):
        self.claims = tempfile.TemporaryDirectory()
        env = dict(os.environ, TMPDIR=self.claims.name)
        command = [zarvo, f"--simulate={simulate}", "serve", "--port", "0",
                   "--idle-timeout", str(idle), *args]
        self.proc = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                     text=True, env=env)
        line = self.proc.stdout.readline()
        found = re.search(r"SCPI on \S+:(\d+) ", line)
        if not found:
            self.proc.kill()
            raise RuntimeError(f"zarvo serve did not start: {line!r} {self.proc.stderr.read()}")
        self.port = int(found.group(1))
        self.line = line
        self.resource = f"TCPIP::127.0.0.1::{self.port}::SOCKET"

    def stop(self):
        """Ends the server with SIGTERM; its exit status and what it wrote on stderr."""
        self.proc.send_signal(signal.SIGTERM)
        try:
            _, err = self.proc.communicate(timeout=10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            _, err = self.proc.communicate()
        self.claims.cleanup()
        return self.proc.returncode, err


def open_scope(rm, server, timeout_ms=3000):
    scope = rm.open_resource(server.resource, read_termination="\n", write_termination="\n")
    scope.timeout = timeout_ms
    return scope


def pytest_addoption(parser):
    parser.addoption("--zarvo", default=os.environ.get("ZARVO_TOOL", ""),
                     help="the zarvo tool to test")


@pytest.fixture(scope="session")
def zarvo(request):
    path = request.config.getoption("--zarvo")
    if not path or not os.access(path, os.X_OK):
        pytest.exit("give the zarvo tool with --zarvo PATH or ZARVO_TOOL", returncode=2)
    return path


@pytest.fixture(scope="session")
def rm():
    manager = pyvisa.ResourceManager("@py")
    yield manager
    manager.close()


@pytest.fixture
def new_server(zarvo):
    """A server of the test's own, for the connection cases: new_server(simulate=..., idle=...)."""
    started = []

    def start(**kwargs):
        started.append(Server(zarvo, **kwargs))
        return started[-1]

    yield start
    for server in started:
        if server.proc.poll() is None:
            server.stop()


@pytest.fixture(scope="module")
def server(zarvo):
    s = Server(zarvo, simulate="serial=4711")
    yield s
    s.stop()


@pytest.fixture(scope="module")
def module_scope(rm, server):
    scope = open_scope(rm, server)
    yield scope
    scope.close()


@pytest.fixture
def scope(module_scope):
    """The module's client, with the start-up settings and an empty error queue."""
    module_scope.write("*RST;*CLS")
    return module_scope
