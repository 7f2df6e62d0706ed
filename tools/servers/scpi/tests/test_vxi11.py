# SPDX-License-Identifier: MIT
"""zarvo serve over VXI-11, opened the usual way (TCPIP::127.0.0.1::INSTR, no terminations
set) by PyVISA-py and by lxi-tools, against the simulated instrument. Needs the RPC port
mapper (rpcbind) running; skipped with the reason when it does not."""
import shutil
import subprocess

import pytest
import pyvisa

from conftest import Server, open_scope

INSTR = "TCPIP::127.0.0.1::INSTR"


def port_mapper_runs():
    try:
        return subprocess.run(["rpcinfo", "-p", "127.0.0.1"], capture_output=True,
                              timeout=10).returncode == 0
    except (OSError, subprocess.TimeoutExpired):
        return False


@pytest.fixture(scope="module")
def vxi11_server(zarvo):
    if not port_mapper_runs():
        pytest.skip("no RPC port mapper runs (apt-get install rpcbind; start it with rpcbind "
                    "as root)")
    s = Server(zarvo, simulate="serial=4711", idle=30)
    assert INSTR in s.line, s.line
    yield s
    s.stop()


@pytest.fixture
def instr(rm, vxi11_server):
    scope = rm.open_resource(INSTR)
    scope.timeout = 5000
    scope.write("*RST;*CLS")
    yield scope
    scope.close()


def test_identity_and_a_setting_read_back(instr):
    assert instr.query("*IDN?").startswith("Zarvo,2CH-32760,4711,")
    instr.write(":CHAN1:RANG 5")
    assert instr.query(":CHAN1:RANG?") == "4\n"  # the answer ends with its line feed and END


def test_single_record_and_a_full_block(instr):
    instr.write(":ACQ:SRAT 25MHZ;POIN 32760")
    assert instr.query(":SING;*OPC?") == "1\n"
    volts = instr.query_binary_values(":FORM REAL,32;:WAV:DATA? CH1", datatype="f")
    assert len(volts) == 32760
    assert 0.5 < max(volts) < 1.5  # the simulated 1 V sine


def test_status_byte_time_out_and_clear(instr):
    instr.write(":CHAN3:RANG 2")
    assert instr.read_stb() & 0x04  # an error is queued
    assert instr.query(":SYST:ERR?").startswith("-114,")
    # A record that never comes: the read times out, the link stays usable, and a device
    # clear drops the waiting *OPC?.
    instr.write(":TRIG:SOUR CH1;LEV 1.9;TIM -1;:SING")
    instr.write("*OPC?")
    instr.timeout = 300
    with pytest.raises(pyvisa.errors.VisaIOError):
        instr.read()
    instr.clear()
    instr.timeout = 5000
    assert instr.query("*IDN?").startswith("Zarvo,")
    instr.write(":ABOR")


def test_a_lock_refuses_a_second_resource(rm, instr):
    instr.lock_excl()
    second = rm.open_resource(INSTR)
    second.timeout = 2000
    with pytest.raises(pyvisa.errors.VisaIOError):
        second.write("*RST")
    instr.unlock()
    instr.close()  # the controlling link goes: the instrument is free at once
    assert second.query("*IDN?").startswith("Zarvo,")
    second.close()


def test_one_controller_across_raw_socket_and_vxi11(rm, vxi11_server):
    raw = open_scope(rm, vxi11_server)
    assert raw.query("*IDN?").startswith("Zarvo,")
    scope = rm.open_resource(INSTR)
    with pytest.raises(pyvisa.errors.VisaIOError):
        scope.write("*IDN?")
    raw.close()
    assert scope.query("*IDN?").startswith("Zarvo,")
    turned_away = open_scope(rm, vxi11_server)
    assert "VXI-11 link" in turned_away.query("*IDN?")
    turned_away.close()
    scope.close()


@pytest.mark.skipif(shutil.which("lxi") is None, reason="lxi-tools is not installed")
def test_lxi_tools_reads_the_identity(vxi11_server):
    done = subprocess.run(["lxi", "scpi", "-a", "127.0.0.1", "*IDN?"], capture_output=True,
                          text=True, timeout=30)
    assert done.stdout.startswith("Zarvo,2CH-32760,4711,"), done


@pytest.mark.skipif(shutil.which("lxi") is None, reason="lxi-tools is not installed")
def test_announced_beyond_the_loopback_where_avahi_runs(zarvo):
    s = Server(zarvo, simulate="serial=4712", args=("--bind", "0.0.0.0"))
    try:
        found = subprocess.run(["lxi", "discover", "-m"], capture_output=True, text=True,
                               timeout=60)
    finally:
        _, err = s.stop()
    said = [line for line in err.splitlines() if "not announced" in line]
    if said:
        pytest.skip(said[0])
    assert 'Found "Zarvo 2CH-32760 4712"' in found.stdout, found.stdout


def test_without_vxi11_only_the_raw_socket_is_served(zarvo):
    s = Server(zarvo, args=("--no-vxi11",))
    try:
        assert "::INSTR" not in s.line and "::SOCKET" in s.line
    finally:
        s.stop()
