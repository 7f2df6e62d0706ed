# SPDX-License-Identifier: MIT
"""Serial buses decoded from a record: UART, I2C and SPI frames from the same C++ decoders the
zarvo tool uses, in their own small library (libzarvo_analysis.so), loaded with ctypes.

Where that library is looked for, in this order:

1. the ZARVO_ANALYSIS_LIBRARY environment variable: the library file itself, or a folder
   holding it (when it is set, nothing else is tried);
2. the folder of this package;
3. the folder the zarvo library itself was loaded from (they are installed side by side);
4. the system's library search path.
"""

import ctypes
import os
import sys
import threading
from dataclasses import dataclass

from .errors import LibraryNotFoundError

ENVIRONMENT_VARIABLE = "ZARVO_ANALYSIS_LIBRARY"

if sys.platform == "win32":
    LIBRARY_NAMES = ("zarvo_analysis.dll",)
elif sys.platform == "darwin":
    LIBRARY_NAMES = ("libzarvo_analysis.1.dylib", "libzarvo_analysis.dylib")
else:
    LIBRARY_NAMES = ("libzarvo_analysis.so.1", "libzarvo_analysis.so")

BUSES = ("uart", "i2c", "spi")
KINDS = ("start", "address", "data", "ack", "nack", "stop", "error")

_OK, _BAD_SETTING, _NOTHING, _BAD_ARGUMENT = 0, 1, 2, 3
_MESSAGE_SIZE = 512


class _Frame(ctypes.Structure):
    _fields_ = [
        ("start_s", ctypes.c_double),
        ("end_s", ctypes.c_double),
        ("bus", ctypes.c_int32),
        ("kind", ctypes.c_int32),
        ("value", ctypes.c_uint32),
        ("read", ctypes.c_int32),
        ("error", ctypes.c_char_p),
    ]


@dataclass(frozen=True)
class Frame:
    """One decoded frame. ``time`` and ``end`` are seconds from the trigger point; ``kind`` is
    "start", "address", "data", "ack", "nack", "stop" or "error"; ``value`` the word or the
    address (1 on a repeated start); ``error`` "" or what went wrong ("framing error",
    "parity error", "break", "incomplete byte"); ``read`` whether an I2C address reads."""

    time: float
    end: float
    bus: str
    kind: str
    value: int
    error: str = ""
    read: bool = False


class Frames(list):
    """The frames of a record, in time order. ``message`` says why there are none (""
    otherwise); ``baud`` is the UART baud decoded at, given or found (0 for other buses)."""

    def __init__(self, frames=(), message="", baud=0.0):
        super().__init__(frames)
        self.message = message
        self.baud = baud


_loaded = None
_lock = threading.Lock()


def _candidates(folder):
    return [os.path.join(folder, name) for name in LIBRARY_NAMES]


def load_analysis_library():
    """Loads libzarvo_analysis (once) with its prototypes set; raises LibraryNotFoundError
    naming every place tried."""
    global _loaded
    with _lock:
        if _loaded is not None:
            return _loaded
        setting = os.environ.get(ENVIRONMENT_VARIABLE, "")
        if setting:
            candidates = _candidates(setting) if os.path.isdir(setting) else [setting]
        else:
            candidates = _candidates(os.path.dirname(os.path.abspath(__file__)))
            beside = os.environ.get("ZARVO_LIBRARY", "")
            if beside:
                folder = beside if os.path.isdir(beside) else os.path.dirname(beside)
                candidates += _candidates(folder)
            candidates += list(LIBRARY_NAMES)
        tried = []
        for candidate in candidates:
            by_name = os.path.basename(candidate) == candidate
            if not by_name and not os.path.exists(candidate):
                tried.append((candidate, "no such file"))
                continue
            try:
                handle = ctypes.CDLL(candidate)
                function = handle.zarvo_decode
            except (OSError, AttributeError) as error:
                tried.append((candidate, str(error) or "cannot be loaded"))
                continue
            function.restype = ctypes.c_int
            function.argtypes = [
                ctypes.c_char_p,
                ctypes.POINTER(ctypes.c_double),
                ctypes.POINTER(ctypes.c_double),
                ctypes.c_size_t,
                ctypes.c_double,
                ctypes.c_double,
                ctypes.POINTER(_Frame),
                ctypes.c_size_t,
                ctypes.POINTER(ctypes.c_size_t),
                ctypes.c_char_p,
                ctypes.c_size_t,
            ]
            handle.zarvo_decode_baud.restype = ctypes.c_double
            handle.zarvo_decode_baud.argtypes = []
            _loaded = handle
            return handle
        lines = ["  %s: %s" % (where, why) for where, why in tried]
        raise LibraryNotFoundError(
            "the zarvo analysis library was not found; tried:\n"
            + "\n".join(lines)
            + "\nSet %s to the library file (or its folder), or install it beside the zarvo "
            "library." % ENVIRONMENT_VARIABLE,
            tried,
        )


def setting_text(bus, keys):
    """The decode setting as the tool writes it: ``setting_text("uart", {"baud": 9600,
    "invert": True})`` is "uart:baud=9600:invert". A key set to True is written bare, one set
    to False or None is left out."""
    if not isinstance(bus, str) or bus not in BUSES:
        raise ValueError("unknown bus %r: give uart, i2c or spi" % (bus,))
    parts = [bus]
    for key, value in keys.items():
        if value is None or value is False:
            continue
        text = key if value is True else "%s=%s" % (key, value)
        if ":" in text or "=" in key:
            raise ValueError(
                "key %r for %s: a key or value with ':' or '=' cannot be written (%r)"
                % (key, bus, value)
            )
        parts.append(text)
    return ":".join(parts)


def _doubles(samples, count):
    """A pointer to `count` doubles holding the samples, and the object keeping them alive."""
    try:
        import numpy
    except ImportError:
        numpy = None
    if numpy is not None:
        array = numpy.ascontiguousarray(samples, dtype=numpy.float64)
        return array.ctypes.data_as(ctypes.POINTER(ctypes.c_double)), array
    array = (ctypes.c_double * max(count, 1))(*[float(v) for v in samples])
    return ctypes.cast(array, ctypes.POINTER(ctypes.c_double)), array


def decode_volts(bus, volts, sample_rate, trigger_index=0, **keys):
    """Decodes volts (a dict channel -> samples, channels 1 and 2) with the bus and keys of the
    tool's --decode setting; returns Frames. A bad bus, key or value raises ValueError naming
    it."""
    text = setting_text(bus, keys)
    library = load_analysis_library()
    counts = {len(samples) for samples in volts.values()}
    if len(counts) > 1:
        raise ValueError("the channels hold different numbers of samples")
    count = counts.pop() if counts else 0
    pointers = []
    keep = []
    for ch in (1, 2):
        if ch in volts:
            pointer, owner = _doubles(volts[ch], count)
            pointers.append(pointer)
            keep.append(owner)
        else:
            pointers.append(None)
    message = ctypes.create_string_buffer(_MESSAGE_SIZE)
    found = ctypes.c_size_t(0)
    capacity = 0
    frames = None
    while True:
        status = library.zarvo_decode(
            text.encode(), pointers[0], pointers[1], count, float(sample_rate),
            float(trigger_index), frames, capacity, ctypes.byref(found), message, _MESSAGE_SIZE,
        )
        if status in (_BAD_SETTING, _BAD_ARGUMENT):
            raise ValueError(message.value.decode())
        if status == _NOTHING:
            return Frames(message=message.value.decode(), baud=library.zarvo_decode_baud())
        if found.value <= capacity:
            break
        capacity = found.value
        frames = (_Frame * capacity)()
    baud = library.zarvo_decode_baud()
    return Frames(
        (
            Frame(
                time=f.start_s,
                end=f.end_s,
                bus=BUSES[f.bus],
                kind=KINDS[f.kind],
                value=f.value,
                error=(f.error or b"").decode(),
                read=bool(f.read),
            )
            for f in frames[: found.value]
        ),
        baud=baud,
    )
