# SPDX-License-Identifier: MIT
"""Captures of known signals from the simulated instrument, measured for amplitude,
frequency and level, with the settings the instrument reports."""

import importlib.util

import pytest

from waveform_checks import amplitude, frequency, mean


def capture_script(channel, lines):
    return (
        """
with zarvo.Instrument(simulate=SIMULATE) as scope:
%s
    record = scope.capture(timeout=2)
    s = record.settings
    result = {
        "type": type(record.volts[%d]).__name__,
        "samples": [float(v) for v in record.volts[%d]],
        "channels": sorted(record.volts),
        "rate": s.sample_rate, "length": s.record_length, "pre": s.pre_samples,
        "post": s.post_samples, "ranges": s.ranges, "forced": record.forced,
        "times": [float(t) for t in record.times[:3]],
    }
"""
        % ("\n".join("    " + line for line in lines), channel, channel)
    )


# signal given to the simulated channel 1, range asked for, range expected, rate, samples
SINES = [
    pytest.param("sine:1000:1.5", 1000, 1.5, 0.0, 2.0, 2.0, 1e6, 5000, id="1kHz-1.5V-on-2V"),
    pytest.param("sine:200:6", 200, 6.0, 0.0, 8.0, 8.0, 1e5, 2000, id="200Hz-6V-on-8V"),
    pytest.param("sine:25000:0.3", 25000, 0.3, 0.0, 0.4, 0.4, 10e6, 4000, id="25kHz-0.3V"),
    pytest.param("sine:1000:1:0.5", 1000, 1.0, 0.5, 1.6, 2.0, 1e6, 4000, id="offset-0.5V"),
]


@pytest.mark.parametrize("signal,hz,volts,offset,asked,expected,rate,length", SINES)
def test_sine_has_its_amplitude_frequency_and_offset(
    run_session, signal, hz, volts, offset, asked, expected, rate, length
):
    result = run_session(
        "SIMULATE = {'ch1': %r}\n" % signal
        + capture_script(
            1,
            [
                "scope.active_channels = (1,)",
                "scope.ch1.range = %r" % asked,
                "scope.ch1.trigger_level = %r" % offset,
                "scope.sample_rate = %r" % rate,
                "scope.record_length = %d" % length,
            ],
        )
    )
    samples = result["samples"]
    # Sessions run under this same interpreter: numpy arrays when it has numpy.
    assert result["type"] == ("ndarray" if importlib.util.find_spec("numpy") else "list")
    assert result["channels"] == [1]
    assert result["length"] == length == len(samples)
    assert result["ranges"] == {"1": expected}
    assert not result["forced"]
    step = 2 * expected / 256  # one converter step
    assert amplitude(samples) == pytest.approx(volts, abs=2 * step)
    assert mean(samples) == pytest.approx(offset, abs=2 * step)
    # The reported rate is the one the samples were taken at: the frequency measured with it
    # is the signal's.
    measured = frequency(samples, result["rate"], hysteresis=4 * step)
    assert measured == pytest.approx(hz, rel=0.005)


@pytest.mark.parametrize("slope,sign", [("rising", 1), ("falling", -1)])
def test_record_opens_at_the_trigger_point(run_session, slope, sign):
    result = run_session(
        "SIMULATE = 'ch1=sine:1000:1.5'\n"
        + capture_script(
            1,
            [
                "scope.active_channels = (1,)",
                "scope.ch1.range = 2",
                "scope.sample_rate = 1e6",
                "scope.record_length = 1000",
                "scope.trigger_slope = %r" % slope,
            ],
        )
    )
    samples = result["samples"]
    step = 4 / 256
    assert result["pre"] == 0 and result["post"] == 1000
    assert abs(samples[0]) <= 2 * step
    # A quarter period after the crossing the sine is at its peak in the slope's direction.
    assert sign * samples[250] == pytest.approx(1.5, abs=2 * step)
    assert result["times"][:2] == [0.0, 1e-6]


def test_channel_2_alone_triggered_by_itself(run_session):
    result = run_session(
        "SIMULATE = 'ch1=dc:0.5,ch2=sine:2000:3'\n"
        + capture_script(
            2,
            [
                "scope.active_channels = (2,)",
                "scope.ch2.range = 4",
                "scope.trigger_source = 'ch2'",
                "scope.trigger_level = 1.0",
                "scope.sample_rate = 1e6",
                "scope.record_length = 3000",
            ],
        )
    )
    samples = result["samples"]
    assert result["channels"] == [2]
    assert result["ranges"] == {"2": 4.0}
    assert amplitude(samples) == pytest.approx(3.0, abs=0.07)
    assert frequency(samples, result["rate"], hysteresis=0.1) == pytest.approx(2000, rel=0.005)
    # Triggered on the rising edge through 1 V of channel 2, not of the 0.5 V channel 1.
    assert samples[0] == pytest.approx(1.0, abs=0.07)
    assert samples[10] > samples[0]


def test_both_channels_in_one_record(run_session):
    result = run_session(
        """
with zarvo.Instrument(simulate='ch1=sine:1000:1,ch2=dc:-0.5') as scope:
    scope.active_channels = (1, 2)
    scope.ch1.range = 2
    scope.ch2.range = 2
    scope.sample_rate = 1e6
    scope.record_length = 2000
    record = scope.capture()
    result = {"channels": sorted(record.volts),
              "ch1": [float(v) for v in record.ch1], "ch2": [float(v) for v in record.ch2]}
"""
    )
    assert result["channels"] == [1, 2]
    assert amplitude(result["ch1"]) == pytest.approx(1.0, abs=0.04)
    assert mean(result["ch2"]) == pytest.approx(-0.5, abs=0.04)
    assert amplitude(result["ch2"]) < 0.04


def test_missing_trigger_is_forced_after_the_timeout(run_session):
    # A 1 V sine never reaches a 1.9 V level: the record comes only by forcing.
    result = run_session(
        "SIMULATE = 'ch1=sine:1000:1'\n"
        + capture_script(
            1,
            [
                "scope.active_channels = (1,)",
                "scope.ch1.range = 2",
                "scope.ch1.trigger_level = 1.9",
                "scope.trigger_timeout = 0.05",
                "scope.sample_rate = 1e6",
                "scope.record_length = 2000",
            ],
        ).replace("scope.capture(timeout=2)", "scope.capture()")
    )
    assert result["forced"] is True
    assert amplitude(result["samples"]) == pytest.approx(1.0, abs=0.04)


def test_a_forced_record_that_never_completes_is_given_its_post_trigger_time(run_session):
    # An instrument whose run never reports complete: after forcing, the package waits for
    # the 1 s of post-trigger samples (1000 at 1 kHz) and a margin, then says so.
    result = run_session(
        """
with zarvo.Instrument(simulate="stuck=busy") as scope:
    scope.sample_rate = 1000
    scope.record_length = 1000
    scope.trigger_timeout = 0.05
    try:
        scope.capture()
        result = "completed"
    except zarvo.CaptureTimeoutError as e:
        result = str(e)
"""
    )
    assert "post-trigger samples take 1 s" in result


def test_pre_trigger_samples_shift_the_time_axis(run_session):
    result = run_session(
        "SIMULATE = 'ch1=sine:1000:1'\n"
        + capture_script(
            1,
            [
                "scope.active_channels = (1,)",
                "scope.sample_rate = 1e6",
                "scope.record_length = 1000",
                "scope.pre_samples = 100",
            ],
        )
    )
    assert (result["pre"], result["post"], result["length"]) == (100, 900, 1000)
    assert result["times"] == pytest.approx([-100e-6, -99e-6, -98e-6])


def test_samples_are_a_list_without_numpy(run_session):
    result = run_session(
        "SIMULATE = 'ch1=sine:1000:1.5'\n"
        + capture_script(
            1,
            [
                "scope.active_channels = (1,)",
                "scope.ch1.range = 2",
                "scope.sample_rate = 1e6",
                "scope.record_length = 3000",
            ],
        ),
        # An import of numpy fails when its module entry is None.
        before_import="sys.modules['numpy'] = None",
    )
    assert result["type"] == "list"
    assert len(result["samples"]) == 3000
    assert amplitude(result["samples"]) == pytest.approx(1.5, abs=0.04)
    assert frequency(result["samples"], result["rate"], 0.06) == pytest.approx(1000, rel=0.005)
