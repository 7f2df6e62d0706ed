# SPDX-License-Identifier: MIT
"""Python access to the Zarvo PC oscilloscope through its driver library (ctypes; no
compiled extension).

    import zarvo
    with zarvo.Instrument(simulate=True) as scope:
        record = scope.capture()

``record.ch1`` holds channel 1 in volts (a numpy array when numpy is installed, a list
otherwise) and ``record.settings`` what the instrument really used. ``record.save(path)``
writes it as .csv, .sr (sigrok), .wav or .npz (NumPy); ``zarvo.load(path)`` reads .csv, .sr
and .npz back. Errors of the library are raised as exceptions naming the status code and the
call (zarvo.BadValueError, ...).
The raw exports, with their prototypes set, are available from zarvo.load_library().
"""

from ._library import ENVIRONMENT_VARIABLE, LIBRARY_NAMES, PROTOTYPES, load_library
from .capture import Capture, Settings
from .errors import (
    BadChannelError,
    BadValueError,
    CaptureTimeoutError,
    GeneratorAbsentError,
    InstrumentBusyError,
    InstrumentClosedError,
    LibraryNotFoundError,
    NoInstrumentError,
    NotInitialisedError,
    RecordFileError,
    StatusError,
    UnavailableError,
    WrongThreadError,
    ZarvoError,
    status_name,
)
from .files import load
from .instrument import Channel, Instrument, simulation_text

__version__ = "1.0.0"

__all__ = [
    "BadChannelError",
    "BadValueError",
    "Capture",
    "CaptureTimeoutError",
    "Channel",
    "ENVIRONMENT_VARIABLE",
    "GeneratorAbsentError",
    "Instrument",
    "InstrumentBusyError",
    "InstrumentClosedError",
    "LIBRARY_NAMES",
    "LibraryNotFoundError",
    "NoInstrumentError",
    "NotInitialisedError",
    "PROTOTYPES",
    "RecordFileError",
    "Settings",
    "StatusError",
    "UnavailableError",
    "WrongThreadError",
    "ZarvoError",
    "load",
    "load_library",
    "simulation_text",
    "status_name",
]
