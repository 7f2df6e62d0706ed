# SPDX-License-Identifier: MIT
"""The Instrument's lifecycle: opened by a with block, closed on leaving it (also through an
exception), one instrument per process, one start of the library per process, and use from
the opening thread only.

The simulated instrument claims its parallel port with an exclusive lock on a file in TMPDIR,
as the real one holds the port's device: whether that lock is free tells whether the port was
released.
"""

import os
import subprocess
import sys
import textwrap

PORT_HELD = """
import fcntl, glob, os
def port_held():
    # LPT1's claim file of the simulated machine.
    path = glob.glob(os.path.join(os.environ["TMPDIR"], "zarvo-sim-*-LPT1.lock"))[0]
    with open(path, "a") as f:
        try:
            fcntl.flock(f, fcntl.LOCK_EX | fcntl.LOCK_NB)
        except OSError:
            return True
        fcntl.flock(f, fcntl.LOCK_UN)
        return False
"""


def test_with_block_opens_and_closes(run_session):
    result = run_session(
        PORT_HELD
        + """
scope = zarvo.Instrument(simulate=True)
rows = {"before": scope.is_open}
with scope as entered:
    rows["same"] = entered is scope
    rows["inside"] = [scope.is_open, port_held(), scope.serial_number]
rows["after"] = [scope.is_open, port_held()]
try:
    scope.serial_number
except zarvo.InstrumentClosedError as e:
    rows["closed"] = [e.name, e.code, e.call]
scope.close()  # a second close does nothing
rows["closed twice"] = scope.is_open
result = rows
"""
    )
    assert result["before"] is False
    assert result["same"] is True
    assert result["inside"] == [True, True, 12345]
    assert result["after"] == [False, False]
    assert result["closed"] == ["closed", None, None]
    assert result["closed twice"] is False


def test_exception_in_the_block_closes_and_propagates(run_session):
    result = run_session(
        PORT_HELD
        + """
scope = zarvo.Instrument(simulate=True)
try:
    with scope:
        scope.record_length = 10 ** 9
except zarvo.BadValueError as e:
    result = [e.call, scope.is_open, port_held()]
"""
    )
    assert result == ["SetRecordLength", False, False]


def test_library_starts_once_per_process(run_session):
    result = run_session(
        """
with zarvo.Instrument(simulate=True) as scope:
    first = scope.serial_number
try:
    zarvo.Instrument(simulate=True).open()
    result = "opened twice"
except zarvo.NoInstrumentError as e:
    result = [first, e.call, str(e)]
"""
    )
    assert result[0] == 12345
    assert result[1] == "InitInstrument"
    assert "once per process" in result[2]


def test_one_open_instrument_per_process(run_session):
    result = run_session(
        """
first = zarvo.Instrument(simulate=True).open()
try:
    zarvo.Instrument(simulate=True).open()
    result = "two open"
except zarvo.InstrumentBusyError as e:
    result = [e.name, first.is_open, first.serial_number]
first.close()
"""
    )
    assert result == ["busy", True, 12345]


def test_calls_from_another_thread_are_refused(run_session):
    result = run_session(
        """
import threading
outcome = []
def use(scope):
    try:
        scope.record_length = 100
        outcome.append("allowed")
    except zarvo.WrongThreadError as e:
        outcome.append(e.name)
with zarvo.Instrument(simulate=True) as scope:
    scope.record_length = 200
    worker = threading.Thread(target=use, args=(scope,))
    worker.start(); worker.join()
    result = [outcome[0], scope.record_length]
"""
    )
    assert result == ["wrong thread", 200]


def test_simulation_setting_is_restored_after_open(run_session):
    result = run_session(
        """
import os
before = os.environ.get("ZARVO_SIM")
with zarvo.Instrument(simulate={"serial": 4660, "date": "2011-07-04"}) as scope:
    result = [before, os.environ.get("ZARVO_SIM"), scope.serial_number,
              scope.calibration_date.isoformat()]
"""
    )
    assert result == [None, None, 4660, "2011-07-04"]


def test_port_is_claimed_across_processes_until_closed(run_python, library_path, tmp_path):
    """A second process finds the port busy while the first holds the instrument, and takes
    it once the first has closed."""
    holder_code = textwrap.dedent(
        """
        import sys, zarvo
        with zarvo.Instrument(simulate=True) as scope:
            print("open", flush=True)
            sys.stdin.readline()
        """
    )
    env = dict(os.environ, PYTHONPATH=os.path.dirname(os.path.dirname(__file__)),
               TMPDIR=str(tmp_path), ZARVO_LIBRARY=library_path)
    env.pop("ZARVO_SIM", None)
    holder = subprocess.Popen([sys.executable, "-c", holder_code], env=env, text=True,
                              stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    try:
        assert holder.stdout.readline().strip() == "open"
        attempt = textwrap.dedent(
            """
            import zarvo
            try:
                with zarvo.Instrument(simulate=True) as scope:
                    print("serial", scope.serial_number)
            except zarvo.NoInstrumentError as e:
                print("refused", e.call)
            """
        )
        env_run = {"ZARVO_LIBRARY": library_path}
        busy = run_python(attempt, env=env_run)
        assert busy.stdout.strip() == "refused InitInstrument", busy.stderr
        holder.stdin.write("\n")
        holder.stdin.flush()
        assert holder.wait(timeout=30) == 0
        free = run_python(attempt, env=env_run)
        assert free.stdout.strip() == "serial 12345", free.stderr
    finally:
        if holder.poll() is None:
            holder.kill()
            holder.wait()
