# SPDX-License-Identifier: MIT
"""The Pythonic face of the library: an Instrument opened in a ``with`` block.

    import zarvo
    with zarvo.Instrument(simulate=True) as scope:
        record = scope.capture()

The library drives one instrument per process, from the thread that started it, and it can
be started only once per process: after the instrument is closed, a new session needs a new
process (the library's state is reset only when it is unloaded, which Python never does).
"""

import ctypes
import datetime
import math
import os
import sys
import threading
import time

from . import errors
from ._library import load_library
from .capture import Capture, Settings, as_samples, volts_buffer
from .errors import (
    CaptureTimeoutError,
    InstrumentBusyError,
    InstrumentClosedError,
    WrongThreadError,
    check,
    error_for,
)

SIMULATION_VARIABLE = "ZARVO_SIM"

TRIGGER_SOURCES = {"ch1": 0, "ch2": 1, "ext": 4, "and": 6, "or": 7, "none": 9}
TRIGGER_SLOPES = {"rising": 0, "falling": 1}
COUPLINGS = {"dc": 0, "ac": 1}
# Measure modes by the channels they record.
MEASURE_MODES = {(): 0, (1,): 1, (2,): 2, (1, 2): 3}
MEASURE_MODE_XY = 16

# The trigger time-out is passed in whole milliseconds; all 32 bits set means none.
_NO_TIMEOUT = 0xFFFFFFFF
_MAX_TIMEOUT_MS = 0xFFFFFFFE

# A forced trigger sets the trigger point at once, and the acquisition still takes its
# post-trigger samples at the sample rate: give up only this long after they are due.
_FORCED_GRACE_S = 2.0

_state = threading.Lock()
_open_instrument = None  # the Instrument now open in this process
_started_once = set()  # libraries (by path) started successfully in this process


def simulation_text(simulate):
    """The ZARVO_SIM text for a simulate= argument: True for the defaults, a text as the
    variable takes it ("ch1=sine:1000:1,noise=0.01"), or a dict of keys and values."""
    if simulate is True:
        return "1"
    if isinstance(simulate, str):
        return simulate
    if isinstance(simulate, dict):
        items = []
        for key, value in simulate.items():
            text = str(value)
            if any(c in text for c in ",=") or any(c in str(key) for c in ",="):
                raise ValueError("simulate: %r=%r may not contain ',' or '='" % (key, value))
            items.append("%s=%s" % (key, text))
        return ",".join(items) or "1"
    raise TypeError("simulate must be True, False, None, a text or a dict, not %r" % (simulate,))


def _set_environment(name, value):
    """Sets (or with None removes) a variable where the library's C runtime reads it."""
    if value is None:
        os.environ.pop(name, None)
    else:
        os.environ[name] = value
    if sys.platform == "win32":
        # DLL.dll reads its environment through msvcrt, which keeps its own copy of the
        # variables; Python's os.environ writes only to the runtime Python itself uses.
        try:
            ctypes.cdll.msvcrt._putenv(("%s=%s" % (name, value or "")).encode("mbcs"))
        except (OSError, AttributeError):
            pass


class Channel:
    """One input channel's settings. Values are those the instrument really took: setting a
    range of 3 V selects the nearest range, and reading ``range`` afterwards gives it."""

    def __init__(self, instrument, number):
        self._instrument = instrument
        self.number = number

    def __repr__(self):
        return "<zarvo.Channel %d>" % self.number

    def _get(self, call, ctype):
        value = ctype()
        self._instrument._call(call, self.number, ctypes.byref(value))
        return value.value

    @property
    def range(self):
        """Full scale in volts: the channel records -range .. +range."""
        return self._get("GetSensitivity", ctypes.c_double)

    @range.setter
    def range(self, volts):
        value = ctypes.c_double(float(volts))
        self._instrument._call("SetSensitivity", self.number, ctypes.byref(value))

    @property
    def coupling(self):
        """"dc" or "ac"."""
        code = self._get("GetCoupling", ctypes.c_uint8)
        return {v: k for k, v in COUPLINGS.items()}.get(code, code)

    @coupling.setter
    def coupling(self, value):
        code = COUPLINGS.get(value, value) if isinstance(value, str) else value
        if isinstance(code, str):
            raise ValueError("coupling must be 'dc' or 'ac', not %r" % value)
        self._instrument._call("SetCoupling", self.number, _byte(code, "coupling"))

    @property
    def dc_level(self):
        """DC level (offset) in volts, within twice the range."""
        return self._get("GetDcLevel", ctypes.c_double)

    @dc_level.setter
    def dc_level(self, volts):
        self._instrument._call("SetDcLevel", self.number, float(volts))

    @property
    def auto_range(self):
        """Whether the instrument steps the range after each record to fit the signal."""
        return bool(self._get("GetAutoRanging", ctypes.c_uint8))

    @auto_range.setter
    def auto_range(self, enabled):
        self._instrument._call("SetAutoRanging", self.number, 1 if enabled else 0)

    @property
    def trigger_level(self):
        """Trigger level in volts, within the range."""
        return self._get("GetTriggerLevel", ctypes.c_double)

    @trigger_level.setter
    def trigger_level(self, volts):
        self._instrument._call("SetTriggerLevel", self.number, float(volts))

    @property
    def trigger_hysteresis(self):
        """Trigger hysteresis in volts."""
        return self._get("GetTriggerHys", ctypes.c_double)

    @trigger_hysteresis.setter
    def trigger_hysteresis(self, volts):
        self._instrument._call("SetTriggerHys", self.number, float(volts))

    @property
    def trigger_mode(self):
        """The raw trigger mode of this input (0 rising, 1 falling; others by model)."""
        return self._get("GetTriggerModeCh", ctypes.c_uint8)

    @trigger_mode.setter
    def trigger_mode(self, mode):
        self._instrument._call("SetTriggerModeCh", self.number, _byte(mode, "trigger mode"))


def _byte(value, what):
    if isinstance(value, bool) or not isinstance(value, int):
        raise TypeError("%s must be an integer, not %r" % (what, value))
    if not 0 <= value <= 255:
        raise ValueError("%s must be 0 .. 255, not %d" % (what, value))
    return value


class Instrument:
    """The instrument on the parallel port, or the simulated one.

    simulate: None uses whatever ZARVO_SIM says (the real instrument when it is unset);
    False the real instrument; True the simulated one with its defaults; a text or a dict
    configures the simulated one ("ch1=sine:1000:1.5" or {"ch1": "sine:1000:1.5"}).
    library: the library file or folder (default: see zarvo.load_library).

    On open, records are set to start at the trigger point (no pre-trigger samples), as the
    instrument records only from the moment it is armed.
    """

    def __init__(self, simulate=None, *, library=None, port=0):
        if simulate not in (None, False):
            simulation_text(simulate)  # refuses a malformed argument now, not at open
        self._simulate = simulate
        self._library_path = library
        self._port = port
        self._lib = None
        self._thread = None
        self._pre_samples = 0

    # ---- lifecycle

    def open(self):
        global _open_instrument
        if self._lib is not None:
            return self
        lib = load_library(self._library_path)
        with _state:
            if _open_instrument is not None:
                raise InstrumentBusyError(
                    "another Instrument is open in this process; the library drives one "
                    "instrument per process: close it first"
                )
            previous = os.environ.get(SIMULATION_VARIABLE)
            if self._simulate is False:
                _set_environment(SIMULATION_VARIABLE, None)
            elif self._simulate is not None:
                _set_environment(SIMULATION_VARIABLE, simulation_text(self._simulate))
            try:
                status = lib.InitInstrument(self._port)
                simulated = os.environ.get(SIMULATION_VARIABLE, "")
            finally:
                if self._simulate is not None:
                    _set_environment(SIMULATION_VARIABLE, previous)
            if status != errors.RC_OK:
                # Back to the unstarted state, so that a later attempt detects again.
                lib.ExitInstrument()
                raise error_for(status, "InitInstrument", self._open_hint(lib, simulated))
            _started_once.add(lib.zarvo_path)
            _open_instrument = self
        self._lib = lib
        self._thread = threading.get_ident()
        try:
            self.pre_samples = 0
        except BaseException:
            self.close()
            raise
        return self

    @staticmethod
    def _open_hint(lib, simulated):
        if lib.zarvo_path in _started_once:
            return (
                "the library was started and closed once in this process already, and it "
                "starts only once per process: open the instrument in a new process"
            )
        if simulated:
            return "no simulated instrument (%s=%s)" % (SIMULATION_VARIABLE, simulated)
        access = (
            "the port-access driver giveio must be installed"
            if sys.platform == "win32"
            else "see docs/linux-device-access.md for the device permissions"
        )
        return "no instrument found on LPT1, LPT2 or LPT3 (%s; or pass simulate=True)" % access

    def close(self):
        """Releases the instrument and its parallel port. Closing twice does nothing."""
        global _open_instrument
        if self._lib is None:
            return
        self._check_thread()
        lib = self._lib
        with _state:
            self._lib = None
            self._thread = None
            if _open_instrument is self:
                _open_instrument = None
            lib.ExitInstrument()

    @property
    def is_open(self):
        return self._lib is not None

    def __enter__(self):
        return self.open()

    def __exit__(self, kind, value, traceback):
        self.close()
        return False

    def __repr__(self):
        state = "open" if self.is_open else "closed"
        return "<zarvo.Instrument %s>" % state

    # ---- calling the library

    def _check_thread(self):
        if self._thread is not None and threading.get_ident() != self._thread:
            raise WrongThreadError(
                "the instrument is used from the thread that opened it only: the library's "
                "measurement timer runs there, and nothing in it is locked"
            )

    def _library(self):
        if self._lib is None:
            raise InstrumentClosedError("the instrument is not open: use open() or a with block")
        self._check_thread()
        return self._lib

    def _call(self, name, *args):
        """Calls an export that returns a status; raises its error unless RC_OK."""
        status = getattr(self._library(), name)(*args)
        check(status, name)
        return status

    def _value(self, name, *args):
        """Calls an export that returns a value rather than a status."""
        return getattr(self._library(), name)(*args)

    def _get(self, name, ctype):
        value = ctype()
        self._call(name, ctypes.byref(value))
        return value.value

    # ---- identity and limits

    @property
    def serial_number(self):
        return self._get("GetSerialNumber", ctypes.c_int32)

    @property
    def calibration_date(self):
        """The date of the last calibration, as stored in the instrument."""
        packed = self._get("GetCalibrationDate", ctypes.c_uint32)
        day, month, year = packed >> 24, (packed >> 16) & 0xFF, packed & 0xFFFF
        return datetime.date(year, month, day)

    @property
    def channel_count(self):
        return self._get("GetNrChannels", ctypes.c_uint16)

    @property
    def max_sample_rate(self):
        """Highest sample rate per channel, in samples per second."""
        return self._value("GetMaxSampleFrequencyF")

    @property
    def max_record_length(self):
        return self._value("GetMaxRecordLength")

    @property
    def available_ranges(self):
        """The full-scale values of the input ranges, largest first."""
        values = (ctypes.c_double * 20)()
        self._call("GetAvailableSensitivities", values)
        return tuple(v for v in values if v != 0)

    # ---- channels

    def channel(self, number):
        """The settings of channel ``number`` (1-based). A number the instrument does not
        have raises BadChannelError on first use."""
        return Channel(self, number)

    @property
    def channels(self):
        return tuple(Channel(self, n) for n in range(1, self.channel_count + 1))

    @property
    def ch1(self):
        return Channel(self, 1)

    @property
    def ch2(self):
        return Channel(self, 2)

    @property
    def active_channels(self):
        """The channels recorded: (1,), (2,) or (1, 2)."""
        mode = self._get("GetMeasureMode", ctypes.c_uint8)
        if mode == MEASURE_MODE_XY:
            return (1, 2)
        return tuple(ch for ch in (1, 2, 3, 4) if mode & (1 << (ch - 1)))

    @active_channels.setter
    def active_channels(self, channels):
        if isinstance(channels, int):
            channels = (channels,)
        key = tuple(sorted(set(channels)))
        if key not in MEASURE_MODES:
            raise ValueError("active_channels must be (1,), (2,) or (1, 2), not %r" % (channels,))
        self._call("SetMeasureMode", MEASURE_MODES[key])

    # ---- timebase

    @property
    def sample_rate(self):
        """Samples per second; setting it selects the nearest rate the clock can make."""
        return self._value("GetSampleFrequencyF")

    @sample_rate.setter
    def sample_rate(self, rate):
        value = ctypes.c_double(float(rate))
        self._call("SetSampleFrequencyF", ctypes.byref(value))

    @property
    def record_length(self):
        """Samples per channel in each record. The pre-trigger samples stay as they were set
        (limited to the new length)."""
        return self._value("GetRecordLength")

    @record_length.setter
    def record_length(self, length):
        length = _count(length, "record_length")
        self._call("SetRecordLength", length)
        # The library lets the post-trigger samples exceed a shortened record; keep the
        # pre-trigger samples instead, which is what the caller chose.
        self._call("SetPostSamples", length - min(self._pre_samples, length))

    @property
    def post_samples(self):
        """Samples from the trigger point to the end of the record."""
        return self._value("GetPostSamples")

    @post_samples.setter
    def post_samples(self, count):
        count = _count(count, "post_samples")
        self._call("SetPostSamples", count)
        self._pre_samples = self.record_length - count

    @property
    def pre_samples(self):
        """Samples before the trigger point. They hold valid samples only when the trigger
        comes at least that long after the acquisition starts."""
        return self.record_length - self.post_samples

    @pre_samples.setter
    def pre_samples(self, count):
        count = _count(count, "pre_samples")
        length = self.record_length
        if count > length:
            raise ValueError(
                "%d pre-trigger samples exceed the record length of %d" % (count, length)
            )
        self._call("SetPostSamples", length - count)
        self._pre_samples = count

    # ---- trigger

    @property
    def trigger_source(self):
        """"ch1", "ch2", "ext", "and", "or" or "none" (raw codes are accepted too)."""
        code = self._get("GetTriggerSource", ctypes.c_uint8)
        return {v: k for k, v in TRIGGER_SOURCES.items()}.get(code, code)

    @trigger_source.setter
    def trigger_source(self, source):
        code = TRIGGER_SOURCES.get(source, source) if isinstance(source, str) else source
        if isinstance(code, str):
            raise ValueError(
                "trigger_source must be one of %s, not %r" % (", ".join(TRIGGER_SOURCES), source)
            )
        self._call("SetTriggerSource", _byte(code, "trigger source"))

    @property
    def trigger_slope(self):
        """"rising" or "falling" (the trigger mode of every channel)."""
        mode = self.ch1.trigger_mode
        return {v: k for k, v in TRIGGER_SLOPES.items()}.get(mode, mode)

    @trigger_slope.setter
    def trigger_slope(self, slope):
        mode = TRIGGER_SLOPES.get(slope, slope) if isinstance(slope, str) else slope
        if isinstance(mode, str):
            raise ValueError("trigger_slope must be 'rising' or 'falling', not %r" % slope)
        self._call("SetTriggerMode", _byte(mode, "trigger mode"))

    def _trigger_channel(self):
        return self.ch2 if self.trigger_source == "ch2" else self.ch1

    @property
    def trigger_level(self):
        """Trigger level in volts on the trigger source's channel."""
        return self._trigger_channel().trigger_level

    @trigger_level.setter
    def trigger_level(self, volts):
        self._trigger_channel().trigger_level = volts

    @property
    def trigger_timeout(self):
        """Seconds to wait for a trigger before forcing one; None waits for ever."""
        ms = self._value("GetTriggerTimeOut")
        return None if ms < 0 else ms / 1000.0

    @trigger_timeout.setter
    def trigger_timeout(self, seconds):
        if seconds is None:
            ms = _NO_TIMEOUT
        else:
            seconds = float(seconds)
            if not math.isfinite(seconds) or seconds < 0:
                raise ValueError("trigger_timeout must be None or 0 or more seconds")
            ms = round(seconds * 1000.0)  # halves to even, as the library rounds
            if ms > _MAX_TIMEOUT_MS:
                raise ValueError("trigger_timeout is limited to %g s" % (_MAX_TIMEOUT_MS / 1e3))
        self._call("SetTriggerTimeOut", ms)

    # ---- square-wave generator

    @property
    def generator_frequency(self):
        """Frequency of the square-wave output in Hz (0 until set)."""
        return self._value("GetSquareWaveGenFrequency")

    @generator_frequency.setter
    def generator_frequency(self, hz):
        hz = _count(round(float(hz)), "generator_frequency")
        value = ctypes.c_uint32(hz)
        self._call("SetSquareWaveGenFrequency", ctypes.byref(value))

    # ---- measuring

    def capture(self, timeout=None):
        """Takes one record and returns a Capture: the samples in volts of each measured
        channel and the settings the instrument used.

        timeout: seconds to wait for the trigger before forcing it (default: trigger_timeout;
        None there waits for ever, which ends only when the trigger comes).
        """
        lib = self._library()
        wait = self.trigger_timeout if timeout is None else float(timeout)
        channels = self.active_channels
        self._call("ADC_Start")
        forced = self._wait_for_record(lib, wait)
        length = max(self.record_length, 0)
        buffer1, pointer1 = volts_buffer(length)
        buffer2, pointer2 = volts_buffer(length)
        self._call("ADC_GetDataVolt", pointer1, pointer2)
        buffers = {1: buffer1, 2: buffer2}
        volts = {ch: as_samples(buffers[ch], length) for ch in channels if ch in buffers}
        return Capture(
            volts=volts, settings=self._settings(channels), forced=forced, channels=channels
        )

    def _wait_for_record(self, lib, timeout):
        rate = self.sample_rate
        grace = (self.post_samples / rate if rate > 0 else 0.0) + _FORCED_GRACE_S
        start = time.monotonic()
        forced_at = None
        while lib.ADC_Ready() == 0:
            waited = time.monotonic() - start
            if forced_at is None and timeout is not None and waited >= timeout:
                self._call("ADC_ForceTrig")
                forced_at = waited
            if forced_at is not None and waited - forced_at > grace:
                raise CaptureTimeoutError(
                    "the instrument did not complete the record %.3g s after its trigger was "
                    "forced (its post-trigger samples take %.3g s)" % (grace, grace - _FORCED_GRACE_S)
                )
            time.sleep(0.0005)
        return forced_at is not None

    def _settings(self, channels):
        ranges = {}
        couplings = {}
        for number in channels:
            channel = self.channel(number)
            ranges[number] = channel.range
            couplings[number] = channel.coupling
        length = self.record_length
        post = self.post_samples
        return Settings(
            sample_rate=self.sample_rate,
            record_length=length,
            pre_samples=length - post,
            post_samples=post,
            ranges=ranges,
            couplings=couplings,
            trigger_source=self.trigger_source,
        )


def _count(value, what):
    if isinstance(value, bool) or not isinstance(value, int):
        if isinstance(value, float) and value.is_integer():
            value = int(value)
        else:
            raise TypeError("%s must be a whole number, not %r" % (what, value))
    if not 0 <= value <= 0xFFFFFFFF:
        raise ValueError("%s must be 0 .. 4294967295, not %d" % (what, value))
    return value
