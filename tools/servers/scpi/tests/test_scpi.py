# SPDX-License-Identifier: MIT
"""zarvo serve driven by PyVISA, as a lab automation program drives it, against the simulated
instrument: channel 1 carries a 1 kHz sine of 1 V amplitude."""
import math
import socket
import time

import pytest

from conftest import open_scope

NOT_A_NUMBER = 9.91e37


def errors(scope):
    """Empties the error queue; the numbers it held, oldest first."""
    found = []
    while True:
        code = int(scope.query(":SYST:ERR?").split(",")[0])
        if code == 0:
            return found
        found.append(code)


SNAPSHOT = (":CHAN1:RANG?;:CHAN1:OFFS?;:CHAN2:STAT?;:ACQ:SRAT?;POIN?;PRET?;"
            ":TRIG:SOUR?;LEV?;HYST?;TIM?;:OUTP?;:FORM?")


def test_identity_from_the_exports(scope):
    maker, model, serial, version = scope.query("*IDN?").split(",")
    assert (maker, model, serial) == ("Zarvo", "2CH-32760", "4711")
    assert [int(part) for part in version.split(".")]
    assert scope.query(":SYST:VERS?") == "1999.0"


@pytest.mark.parametrize("command, query, answer", [
    (":CHAN1:RANG 3", ":CHAN1:RANG?", "2"),  # the nearest of the nine ranges
    (":CHAN1:RANG 500MV", ":CHAN1:RANG?", "0.4"),
    (":CHAN2:COUP AC", ":CHAN2:COUP?", "AC"),
    (":CHAN1:OFFS 0.5", ":CHAN1:OFFS?", "0.5"),
    (":CHAN2:STAT OFF", ":CHAN2:STAT?", "0"),
    (":CHAN1:AUTO ON", ":CHAN1:AUTO?", "1"),
    (":ACQ:SRAT 3MHZ", ":ACQ:SRAT?", "5E+06"),  # the clock's divider takes the next rate
    (":ACQ:POIN 1000.4", ":ACQ:POIN?", "1000"),
    (":ACQ:PRET 100", ":ACQ:PRET?", "100"),
    (":TRIG:SOUR EXT", ":TRIG:SOUR?", "EXT"),
    (":TRIG:SOUR IMMEDIATE", ":TRIG:SOUR?", "IMM"),
    (":TRIG:SLOP NEGATIVE", ":TRIG:SLOP?", "NEG"),
    (":TRIG:LEV 0.3", ":TRIG:LEV?", "0.296875"),  # the comparator's 8-bit steps
    (":TRIG:HYST 0.1", ":TRIG:HYST?", "0.09375"),
    (":TRIG:TIM 250MS", ":TRIG:TIM?", "0.25"),
    (":TIM:SCAL 100US", ":TIM:SCAL?", "1E-04"),
    # A rate the clock makes and a record that fill ten divisions: 300 kHz x 1500 is none.
    (":ACQ:POIN 1500;:TIM:SCAL 500US", ":ACQ:SRAT?;POIN?", "250000;1250"),
    (":ACQ:POIN 1000;SRAT 416.7KHZ", ":TIM:SCAL?", "0.00024"),  # the record's own span
    (":OUTP ON;:SOUR:FREQ 30KHZ", ":SOUR:FREQ?", "29940"),  # 5 MHz divided by 167
    (":OUTP ON", ":OUTP?", "1"),
    (":FORM REAL,32", ":FORM?", "REAL,32"),
])
def test_settings_answer_what_the_instrument_took(scope, command, query, answer):
    scope.write(command)
    assert scope.query(query) == answer
    assert errors(scope) == []


def test_reset_restores_the_start_up_settings(scope):
    start = scope.query(SNAPSHOT)
    scope.write(":CHAN1:RANG 8;:ACQ:POIN 500;:TRIG:SOUR CH2;:OUTP ON;:FORM INT,16")
    assert scope.query(SNAPSHOT) != start
    scope.write("*RST")
    assert scope.query(SNAPSHOT) == start
    assert scope.query(":CHAN1:RANG? MIN;RANG? MAX;:ACQ:POIN? MAX;:CHAN1:OFFS? MAX") == \
        "0.2;80;32760;4"


def test_single_record_is_the_simulated_sine_in_every_format(scope):
    scope.write(":ACQ:SRAT 1MHZ;POIN 2000;PRET 0;:SING")
    assert scope.query("*OPC?") == "1"
    scope.write(":FORM REAL,32")
    volts = scope.query_binary_values(":WAV:DATA? CH1", datatype="f")
    assert len(volts) == int(scope.query(":WAV:POIN?")) == 2000
    step, origin = float(scope.query(":WAV:XINC?")), float(scope.query(":WAV:XOR?"))
    assert (step, origin) == (1e-6, 0.0)
    # Triggered on the rising edge through 0 V: the record starts on the sine's zero.
    worst = max(abs(v - math.sin(2 * math.pi * 1000 * (origin + i * step)))
                for i, v in enumerate(volts))
    assert worst < 2 / 128 + 0.01  # one converter step and a sample of trigger jitter

    scope.write(":FORM INT,16")
    codes = scope.query_binary_values(":WAV:DATA? CH1", datatype="h")
    scale = float(scope.query(":WAV:YINC? CH1"))
    assert scale == 2 / 32768
    assert [c * scale for c in codes] == pytest.approx(volts, abs=1e-6)
    scope.write(":FORM ASC")
    assert scope.query_ascii_values(":WAV:DATA? CH1") == pytest.approx(volts, abs=1e-6)
    assert errors(scope) == []


def test_acquisition_control(scope):
    # Channel 2 stays at 0 V (the generator is off): a level of 0.5 V never triggers it.
    scope.write(":ACQ:POIN 1000;PRET 250;:TRIG:SOUR CH2;LEV 0.5;TIM -1;:SING")
    time.sleep(0.1)
    assert scope.query(":ACQ:STAT?") == "SING"
    scope.write(":ABORt")
    assert scope.query("*OPC?;:ACQ:STAT?") == "1;STOP"
    scope.write(":SING;:TRIG:FORC")
    assert scope.query("*OPC?;:ACQ:STAT?") == "1;STOP"
    assert float(scope.query(":WAV:XOR?")) == pytest.approx(-250e-6)
    scope.write(":RUN")
    assert scope.query(":ACQ:STAT?") == "RUN"
    scope.write(":STOP;:TRIG:FORC")  # nothing to force while stopped
    assert scope.query(":ACQ:STAT?") == "STOP"
    assert errors(scope) == [-221]
    assert scope.query("*TST?") == "0"


def test_measurements_of_the_sine(scope):
    scope.write(":ACQ:SRAT 1MHZ;POIN 4000;:SING")
    assert scope.query("*OPC?") == "1"
    figure = {name: float(scope.query(f":MEAS:{name}? CH1"))
              for name in ("VMIN", "VMAX", "VAV", "VPP", "VRMS", "FREQ", "PER", "DUTY",
                           "RIS", "FALL")}
    assert figure["VMIN"] == pytest.approx(-1, abs=0.02)
    assert figure["VMAX"] == pytest.approx(1, abs=0.02)
    assert figure["VPP"] == pytest.approx(2, abs=0.03)
    assert figure["VAV"] == pytest.approx(0, abs=0.02)
    assert figure["VRMS"] == pytest.approx(1 / math.sqrt(2), abs=0.02)
    assert figure["FREQ"] == pytest.approx(1000, rel=0.01)
    assert figure["PER"] == pytest.approx(1e-3, rel=0.01)
    assert figure["DUTY"] == pytest.approx(50, abs=2)
    # A sine's 10 % to 90 % swing takes 0.295 of its period.
    assert figure["RIS"] == pytest.approx(0.295e-3, rel=0.05)
    assert figure["FALL"] == pytest.approx(0.295e-3, rel=0.05)
    # Half a period shows no frequency: SCPI's not-a-number.
    scope.write(":ACQ:POIN 500;:SING")
    assert scope.query("*OPC?") == "1"
    assert float(scope.query(":MEAS:FREQ? CH1")) == NOT_A_NUMBER
    assert float(scope.query(":MEAS:PER? CH1")) == NOT_A_NUMBER


def test_a_probe_factor_puts_ranges_levels_and_measurements_at_the_probe_tip(scope):
    scope.write(":CHAN1:PROB 10;:CHAN1:RANG 20;:TRIG:LEV 5;:ACQ:SRAT 1MHZ;POIN 4000;:SING")
    assert scope.query("*OPC?") == "1"
    assert errors(scope) == []
    assert float(scope.query(":CHAN1:PROB?")) == 10
    assert float(scope.query(":CHAN1:RANG?")) == 20
    assert float(scope.query(":TRIG:LEV?")) == pytest.approx(5)
    assert float(scope.query(":MEAS:VMAX? CH1")) == pytest.approx(10, abs=0.2)
    assert float(scope.query(":MEAS:VPP? CH1")) == pytest.approx(20, abs=0.3)
    before = scope.query(SNAPSHOT)
    for bad in ("0", "-10", "20000"):
        scope.write(f":CHAN1:PROB {bad}")
        assert errors(scope) == [-222]
    scope.write(":CHAN1:RANG 0.5")  # the input's 0.05 V: below its smallest range
    assert errors(scope) == [-222]
    assert scope.query(SNAPSHOT) == before


def test_statistics_over_averaged_records_and_their_reset(scope):
    scope.write(":ACQ:SRAT 1MHZ;POIN 2000;AVER 4;:RUN")
    assert scope.query(":ACQ:AVER?") == "4"
    time.sleep(1.0)
    scope.write(":STOP")
    assert scope.query("*OPC?") == "1"
    count, mean, low, high, std = scope.query(":MEAS:STAT? FREQuency,CH1").split(",")
    assert int(count) >= 5
    assert float(mean) == pytest.approx(1000, rel=0.005)
    assert float(low) <= float(mean) <= float(high)
    assert 0 <= float(std) < 10
    assert float(scope.query(":MEAS:STAT? VMAX,CH1").split(",")[1]) == pytest.approx(1, abs=0.03)
    # A change of settings starts them again; a figure no record showed yet has no value.
    scope.write(":ACQ:AVER 1")
    assert scope.query(":MEAS:STAT? FREQ,CH1").split(",")[:2] == ["0", "9.91E+37"]
    scope.write(":MEAS:STAT? WIDTH,CH1")
    assert errors(scope) == [-224]


@pytest.mark.parametrize("command, code", [
    (":CHAN1:BANDWIDTH 20", -113),         # no such header
    (":CHAN3:RANG 2", -114),               # no channel 3
    (":CHAN1:RANG 2 V, 3", -108),          # one parameter too many
    (":CHAN1:RANG", -109),                 # missing parameter
    (":CHAN1:RANG 2 3", -102),             # syntax error
    (":CHAN1:RANG two", -104),             # a word where a number belongs
    (":CHAN1:RANG 2HZ", -131),             # a unit of another quantity
    (":RUN?", -100),                       # no query form
    (":CHAN1:RANG 100", -222),             # out of range
    (":ACQ:POIN 1e300", -222),
    (":ACQ:AVER 257", -222),               # averages 1 (off) to 256 records
    (":TRIG:SOUR CH3", -224),              # not one of the choices
    (":CHAN1:STAT OFF;:CHAN2:STAT OFF", -221),  # the second would leave no channel on
    (":TRIG:LEV -1.9;:TRIG:HYST 1.5", -200),    # the library refuses (RC_BAD_VALUE)
])
def test_refused_commands_queue_their_error_and_change_nothing(scope, command, code):
    scope.write(":TRIG:LEV -1.9;:CHAN1:STAT OFF")  # the state the compound cases start from
    before = scope.query(SNAPSHOT)
    scope.write(command)
    assert errors(scope) == [code]
    assert scope.query(SNAPSHOT) == before
    assert int(scope.query("*ESR?")) & (0x20 if code > -200 else 0x10)


def test_library_refusal_names_its_status_and_the_queue_overflows(scope):
    scope.write(":TRIG:LEV -1;:TRIG:HYST 1.5")
    assert "RC_BAD_VALUE" in scope.query(":SYST:ERR:NEXT?")
    for _ in range(25):
        scope.write(":NOPE")
    assert scope.query(":SYST:ERR:COUN?") == "20"
    assert errors(scope)[-2:] == [-113, -350]
    assert int(scope.query("*STB?")) & 0x04 == 0  # no error left to report


def test_no_instrument_answers_hardware_missing(rm, new_server):
    server = new_server(simulate="lpt=0")
    scope = open_scope(rm, server)
    assert scope.query("*IDN?").startswith("Zarvo,NO-INSTRUMENT,")
    scope.write(":CHAN1:RANG 2;:SING")
    scope.write(":WAV:DATA? CH1")
    assert errors(scope) == [-241, -241, -241]
    scope.close()


def test_parsing_rules(scope):
    # Long and short forms in any case, the default suffix 1, an optional leading colon and
    # an optional node.
    scope.write("channel1:range 8;:Chan2:Rang 800 mV")
    assert scope.query("CHANNEL1:RANGE?;:chan:rang?;:CHAN2:RANG?") == "8;8;0.8"
    # The path rule: RANG and COUP continue below CHAN2; a leading colon starts again.
    scope.write(":CHAN2:RANG 4;COUP AC;:TRIG:SOUR CH2;LEV 0.5")
    assert scope.query(":CHAN2:RANG?;COUP?;:TRIG:SOUR?;LEV?") == "4;AC;CH2;0.5"
    # A common command does not move the path.
    assert scope.query(":CHAN2:COUP?;*OPC?;RANG?") == "AC;1;4"
    scope.write(":CHAN1:STAT 0;STAT ON;AUTO 1;AUTO OFF;:ACQ:POIN MAX;PRET DEF")
    assert scope.query(":CHAN1:STAT?;AUTO?;:ACQ:POIN?;PRET?") == "1;0;32760;0"
    scope.write(":ACQ:SRAT 0.5 MAHZ;:TRIG:TIM 2E+2 MS")
    assert scope.query(":ACQ:SRAT?;:TRIG:TIM?;:SYST:ERR?") == '5E+05;0.2;0,"No error"'


def test_status_registers(scope):
    scope.write("*ESE 60;*SRE 32")
    assert scope.query("*ESE?;*SRE?") == "60;32"
    scope.write("*ESR?;*CLS")  # nothing read: the answer is dropped with the line
    scope.read()
    assert int(scope.query("*ESR?")) == 0
    scope.write(":NOPE")
    assert int(scope.query("*STB?")) == 0x04 | 0x20 | 0x40
    scope.write("*CLS;:SING;*OPC")
    assert scope.query("*WAI;*ESR?") == "1"


def test_a_second_client_is_told_who_controls(rm, new_server):
    server = new_server(idle=30)
    first = open_scope(rm, server)
    assert first.query("*IDN?").startswith("Zarvo,")
    second = open_scope(rm, server)
    answer = second.query("*IDN?")
    assert answer.startswith('-200,"Execution error;another client (127.0.0.1:')
    assert "controls the instrument" in answer
    second.close()
    assert first.query(":CHAN1:RANG?") == "2"
    first.close()
    third = open_scope(rm, server)  # the first closed: the next one controls at once
    assert third.query("*IDN?").startswith("Zarvo,")
    third.close()


def test_silent_broken_and_overlong_clients_leave_the_server_serving(rm, new_server):
    server = new_server(idle=0.5)
    # A client that closes in the middle of a long answer.
    raw = socket.create_connection(("127.0.0.1", server.port))
    raw.sendall(b":ACQ:POIN 32760;:SING;*OPC?\n:FORM ASC;:WAV:DATA? CH1;DATA? CH2\n")
    raw.recv(10)
    raw.close()
    # A line longer than 64 KiB is dropped with -223; the client stays served.
    scope = open_scope(rm, server)
    scope.write(":CHAN1:RANG " + "1" * 70000)
    assert scope.query("*IDN?").startswith("Zarvo,")
    assert errors(scope) == [-223]
    # Silent for the idle time-out: a new connection takes over.
    time.sleep(0.6)
    other = open_scope(rm, server)
    assert other.query("*IDN?").startswith("Zarvo,")
    other.close()
    scope.close()


def test_sigterm_releases_the_instrument(rm, new_server):
    server = new_server()
    scope = open_scope(rm, server)
    scope.write(":RUN")
    assert scope.query("*OPC?") == "1"
    status, err = server.stop()
    assert status == 0
    assert "the instrument is released" in err
    scope.close()
