# SPDX-License-Identifier: MIT
"""Exceptions of the zarvo package.

Every export of the library that can fail returns a status code; the package turns each
non-zero code into an exception that carries the code, its name and the export that returned
it, so that ``except zarvo.BadValueError as e: print(e.call)`` tells what was refused.
"""

RC_OK = 0
RC_NO_INSTRUMENT = 1
RC_NOT_INITIALISED = 2
RC_UNAVAILABLE = 4
RC_GENERATOR_ABSENT = 8
RC_BAD_CHANNEL = 16
RC_BAD_VALUE = 32

# code -> (name, what it means to the caller)
STATUS_TEXTS = {
    RC_OK: ("RC_OK", "success"),
    RC_NO_INSTRUMENT: ("RC_NO_INSTRUMENT", "no instrument (none found, or not started)"),
    RC_NOT_INITIALISED: ("RC_NOT_INITIALISED", "the instrument was not initialised"),
    RC_UNAVAILABLE: ("RC_UNAVAILABLE", "not available on this instrument"),
    RC_GENERATOR_ABSENT: ("RC_GENERATOR_ABSENT", "the instrument has no such generator"),
    RC_BAD_CHANNEL: ("RC_BAD_CHANNEL", "no such channel on this instrument"),
    RC_BAD_VALUE: ("RC_BAD_VALUE", "value outside the accepted range"),
}


def status_name(code):
    """The name of a status code ("RC_BAD_VALUE"), or "status N" for a code the library
    does not define."""
    text = STATUS_TEXTS.get(code)
    return text[0] if text else "status %d" % code


class ZarvoError(Exception):
    """Base of every error this package raises.

    code: the library's status code, or None when the refusal comes from this package itself;
    name: the code's name ("RC_BAD_VALUE") or a short word for the package's own refusals;
    call: the export that failed ("SetRecordLength"), or None.
    """

    code = None
    name = "error"
    call = None


class LibraryNotFoundError(ZarvoError, OSError):
    """The shared library could not be found or loaded; ``tried`` lists each place looked at
    with the reason it did not do."""

    name = "library not found"

    def __init__(self, message, tried):
        super().__init__(message)
        self.tried = list(tried)


class StatusError(ZarvoError):
    """An export returned a status other than RC_OK."""

    def __init__(self, code, call, detail=None):
        self.code = code
        self.call = call
        self.name = status_name(code)
        meaning = STATUS_TEXTS.get(code, (None, "the library returned an unexpected status"))[1]
        message = "%s failed: %s (%s)" % (call, meaning, self.name)
        if detail:
            message += "; " + detail
        super().__init__(message)
        self.detail = detail


class NoInstrumentError(StatusError):
    """RC_NO_INSTRUMENT: no instrument was found, or the library is not started."""


class NotInitialisedError(StatusError):
    """RC_NOT_INITIALISED: measurement control before a successful start."""


class UnavailableError(StatusError):
    """RC_UNAVAILABLE: the function, source, mode or value does not exist on this
    instrument."""


class GeneratorAbsentError(StatusError):
    """RC_GENERATOR_ABSENT: the instrument has no such generator."""


class BadChannelError(StatusError):
    """RC_BAD_CHANNEL: channel number outside the instrument's channels."""


class BadValueError(StatusError):
    """RC_BAD_VALUE: argument outside its accepted set or range."""


STATUS_ERRORS = {
    RC_NO_INSTRUMENT: NoInstrumentError,
    RC_NOT_INITIALISED: NotInitialisedError,
    RC_UNAVAILABLE: UnavailableError,
    RC_GENERATOR_ABSENT: GeneratorAbsentError,
    RC_BAD_CHANNEL: BadChannelError,
    RC_BAD_VALUE: BadValueError,
}


def error_for(code, call, detail=None):
    """The exception for a non-zero status of the export ``call``."""
    return STATUS_ERRORS.get(code, StatusError)(code, call, detail)


def check(code, call, detail=None):
    """Raises the exception for ``code`` unless it is RC_OK."""
    if code != RC_OK:
        raise error_for(code, call, detail)


class InstrumentClosedError(ZarvoError):
    """The Instrument is not open (never opened, or closed already)."""

    name = "closed"


class InstrumentBusyError(ZarvoError):
    """Another Instrument of this process is open: the library drives one instrument per
    process."""

    name = "busy"


class WrongThreadError(ZarvoError):
    """A call from a thread other than the one that opened the instrument. The library's
    measurement timer runs on that thread and nothing inside it is locked, so calls from
    elsewhere would race with it."""

    name = "wrong thread"


class CaptureTimeoutError(ZarvoError, TimeoutError):
    """An acquisition did not complete, even after its trigger was forced."""

    name = "timeout"


class RecordFileError(ZarvoError, ValueError):
    """A file given to zarvo.load is not a record that can be read back: truncated, damaged,
    of another kind, or in a format that is only written. The message names the file and
    what is wrong with it; ``path`` is the file."""

    name = "bad record file"

    def __init__(self, path, problem):
        super().__init__("%s: %s" % (path, problem))
        self.path = str(path)
        self.problem = problem
