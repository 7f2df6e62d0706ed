# SPDX-License-Identifier: MIT
"""The result of a capture: the samples in volts and the settings the instrument really
used."""

from dataclasses import dataclass, field

try:
    import numpy
except ImportError:  # the package works without it; samples are lists then
    numpy = None


def volts_buffer(length):
    """A buffer the library can write ``length`` doubles into, and a pointer to it: a numpy
    array when numpy is installed, a ctypes array otherwise."""
    import ctypes

    if numpy is not None:
        array = numpy.zeros(length, dtype=numpy.float64)
        return array, array.ctypes.data_as(ctypes.POINTER(ctypes.c_double))
    array = (ctypes.c_double * max(length, 1))()
    return array, ctypes.cast(array, ctypes.POINTER(ctypes.c_double))


def as_samples(buffer, length):
    """The first ``length`` values of a buffer from volts_buffer, as the package hands them
    out: the numpy array itself, or a list of floats."""
    if numpy is not None:
        return buffer[:length]
    return list(buffer[:length])


@dataclass(frozen=True)
class Settings:
    """What the instrument used for a record (read back after the record was taken; the
    library rounds requests to what the hardware can do)."""

    sample_rate: float  # samples per second
    record_length: int  # samples per channel
    pre_samples: int  # samples before the trigger point
    post_samples: int  # samples from the trigger point on
    ranges: dict  # channel -> full scale in volts (the record spans -range .. +range)
    couplings: dict  # channel -> "dc" or "ac"
    trigger_source: object  # "ch1", "ch2", "ext", "and", "or", "none", or the raw code


@dataclass(frozen=True)
class Capture:
    """One record. ``volts[ch]`` holds the samples of each measured channel in volts (a numpy
    array when numpy is installed, a list otherwise); ``ch1`` and ``ch2`` are shortcuts."""

    volts: dict
    settings: Settings
    forced: bool = False  # no trigger came within the time-out: the trigger was forced
    channels: tuple = field(default=())

    @property
    def ch1(self):
        return self.volts[1]

    @property
    def ch2(self):
        return self.volts[2]

    @property
    def sample_rate(self):
        return self.settings.sample_rate

    def __len__(self):
        return self.settings.record_length

    def save(self, path, format=None):
        """Writes the record to ``path`` in the format of its extension, or ``format``:
        "csv", "sr" (sigrok session), "wav" (32-bit float) or "npz" (NumPy, needs numpy).
        Read it back with zarvo.load (csv, sr and npz); see zarvo.files."""
        from . import files

        files.save(self, path, format)

    def decode(self, bus, **keys):
        """The frames of a serial bus on this record's channels, from the tool's decoders:
        ``record.decode("uart", baud=115200)``, ``decode("i2c", scl=1, sda=2)``,
        ``decode("spi", mode=0, lsb=True, bits=8)`` (the keys of ``zarvo capture --decode``;
        a key set to True is a bare flag such as ``invert``). Returns zarvo.decode.Frames, a
        list of Frame (time from the trigger point, kind, value, error) whose ``message`` says
        why it is empty. A bad bus, key or value raises ValueError naming it."""
        from . import decode

        return decode.decode_volts(
            bus, self.volts, self.settings.sample_rate, self.settings.pre_samples, **keys
        )

    @property
    def times(self):
        """Seconds of each sample relative to the trigger point (negative before it)."""
        rate = self.settings.sample_rate
        pre = self.settings.pre_samples
        n = self.settings.record_length
        if numpy is not None:
            return (numpy.arange(n, dtype=numpy.float64) - pre) / rate
        return [(i - pre) / rate for i in range(n)]
