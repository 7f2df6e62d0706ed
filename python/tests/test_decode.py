# SPDX-License-Identifier: MIT
"""Serial buses on the simulated instrument decoded from Python: the frames come from the
tools' C++ decoders (libzarvo_analysis), with their times from the trigger point."""

import pytest

SESSION = """
with zarvo.Instrument(simulate=SIMULATE) as scope:
    scope.active_channels = (1, 2)
    scope.ch1.range = 4
    scope.ch2.range = 4
    scope.sample_rate = RATE
    scope.record_length = LENGTH
    scope.post_samples = LENGTH - 100
    scope.trigger_source = "ch1"
    scope.trigger_slope = "falling"
    scope.trigger_level = 1.65
    record = scope.capture(timeout=2)
    result = {"rate": record.sample_rate, "pre": record.settings.pre_samples, "runs": []}
    for bus, keys in DECODES:
        try:
            frames = record.decode(bus, **keys)
            result["runs"].append({
                "frames": [[f.time, f.kind, f.value, f.error, f.read] for f in frames],
                "message": frames.message, "baud": frames.baud})
        except ValueError as error:
            result["runs"].append({"error": str(error)})
"""


def decode(run_session, simulate, rate, length, decodes):
    return run_session(
        "SIMULATE = %r\nRATE = %r\nLENGTH = %d\nDECODES = %r\n" % (simulate, rate, length, decodes)
        + SESSION
    )


def data_values(frames):
    return [value for _, kind, value, _, _ in frames if kind == "data"]


def test_uart_gives_hello_with_each_byte_where_the_line_sent_it(run_session):
    result = decode(
        run_session,
        {"ch1": "uart:115200:48656C6C6F0D0A"},
        2.5e6,
        20000,
        [("uart", {"baud": 115200}), ("uart", {}), ("uart", {"parity": "even"})],
    )
    assert result["pre"] == 100
    given, found, even = result["runs"]
    values = data_values(given["frames"])
    hello = list(b"Hello\r\n")
    at = next(i for i in range(len(values)) if values[i : i + 7] == hello)
    frames = [f for f in given["frames"] if f[1] == "data"][at : at + 7]
    bit = 1 / 115200
    # Ten bits a byte, back to back: each start within two samples of its place.
    for k, frame in enumerate(frames):
        assert abs(frame[0] - (frames[0][0] + 10 * k * bit)) * result["rate"] <= 2
        assert frame[3] == ""
    # The trigger point is an edge of the line: every start is a whole number of bits from it.
    ticks = frames[0][0] / bit
    assert abs(ticks - round(ticks)) * bit * result["rate"] <= 2
    assert found["baud"] == 115200
    assert data_values(found["frames"]) == values
    assert any(error for _, _, _, error, _ in even["frames"])


def test_i2c_and_spi_give_their_bytes(run_session):
    i2c = decode(run_session, {"bus": "i2c:100000:50:A55A01"}, 2.5e6, 16000, [("i2c", {})])
    frames = i2c["runs"][0]["frames"]
    start = next(i for i, f in enumerate(frames) if f[1] == "start")
    kinds = [(f[1], f[2]) for f in frames[start : start + 10]]
    assert kinds == [
        ("start", 0), ("address", 0x50), ("ack", 0), ("data", 0xA5), ("ack", 0),
        ("data", 0x5A), ("ack", 0), ("data", 0x01), ("ack", 0), ("stop", 0),
    ]
    assert frames[start + 1][4] is False  # written to
    spi = decode(
        run_session, {"bus": "spi:1000000:DEADBEEF"}, 25e6, 5000,
        [("spi", {}), ("spi", {"lsb": True, "bits": 16})],
    )
    msb, lsb = spi["runs"]
    values = data_values(msb["frames"])
    assert any(values[i : i + 4] == [0xDE, 0xAD, 0xBE, 0xEF] for i in range(len(values)))
    assert msb["message"] == ""
    assert len(data_values(lsb["frames"])) > 0


def test_bad_keys_raise_value_error_naming_them_and_a_flat_line_says_why(run_session):
    result = decode(
        run_session,
        {"ch1": "uart:9600:55", "ch2": "dc:0.5"},
        20e3,
        2000,
        [
            ("uart", {"speed": 9600}),
            ("uart", {"baud": 20}),
            ("can", {}),
            ("spi", {"mode": 4}),
            ("uart", {"baud": 9600}),
            ("uart", {"ch": 2}),
        ],
    )
    bad_key, bad_baud, bad_bus, bad_mode, too_slow, flat = result["runs"]
    assert "'speed'" in bad_key["error"]
    assert "outside 50 to 5,000,000" in bad_baud["error"]
    assert "unknown bus 'can'" in bad_bus["error"]
    assert "mode '4'" in bad_mode["error"]
    assert too_slow["frames"] == []
    assert too_slow["message"] == (
        "2.1 samples per bit at 9600 baud: at least 4 are needed; a rate of 38.4 kHz or more"
    )
    assert flat["message"] == "no edges on channel 2"


def test_decoding_needs_no_instrument(run_python):
    """Volts from anywhere (a file, numpy) decode too: an I2C start, address and stop drawn
    by hand."""
    code = """
import zarvo.decode as d
hi, lo = 3.3, 0.0
# Four samples a quarter bit: SCL, SDA for start, address 0x21 read, NACK, stop.
scl, sda = [hi] * 8, [hi] * 8
def put(c, s):
    scl.extend([c] * 4); sda.extend([s] * 4)
put(hi, lo)
for bit in [0, 1, 0, 0, 0, 0, 1, 1, 1]:
    level = hi if bit else lo
    put(lo, sda[-1]); put(lo, level); put(hi, level); put(hi, level)
put(lo, lo); put(lo, lo); put(hi, lo); put(hi, hi); put(hi, hi)
frames = d.decode_volts("i2c", {1: scl, 2: sda}, 1e6)
print([(f.kind, f.value, f.read) for f in frames])
"""
    done = run_python(code)
    assert done.returncode == 0, done.stderr
    assert done.stdout.strip() == (
        "[('start', 0, False), ('address', 33, True), ('nack', 0, False), ('stop', 0, False)]"
    )
