# SPDX-License-Identifier: MIT
"""Status codes become exceptions that carry the code, its name and the failing call."""

import pytest

import zarvo
from zarvo import errors

# code, exception class, name
CODES = [
    (1, zarvo.NoInstrumentError, "RC_NO_INSTRUMENT"),
    (2, zarvo.NotInitialisedError, "RC_NOT_INITIALISED"),
    (4, zarvo.UnavailableError, "RC_UNAVAILABLE"),
    (8, zarvo.GeneratorAbsentError, "RC_GENERATOR_ABSENT"),
    (16, zarvo.BadChannelError, "RC_BAD_CHANNEL"),
    (32, zarvo.BadValueError, "RC_BAD_VALUE"),
]


@pytest.mark.parametrize("code,kind,name", CODES)
def test_each_status_code_has_its_exception(code, kind, name):
    with pytest.raises(kind) as caught:
        errors.check(code, "SetSomething")
    error = caught.value
    assert isinstance(error, zarvo.StatusError) and isinstance(error, zarvo.ZarvoError)
    assert (error.code, error.name, error.call) == (code, name, "SetSomething")
    assert "SetSomething" in str(error) and name in str(error)
    # No other code maps to this class.
    assert [c for c, k, _ in CODES if k is kind] == [code]


def test_ok_raises_nothing_and_unknown_codes_still_raise():
    assert errors.check(0, "GetSerialNumber") is None
    with pytest.raises(zarvo.StatusError) as caught:
        errors.check(64, "GetSerialNumber")
    assert type(caught.value) is zarvo.StatusError
    assert caught.value.name == "status 64"
    assert caught.value.code == 64


def test_status_names_match_the_public_header():
    header = open(zarvo_header()).read()
    for code, _, name in CODES:
        assert "#define %s %d\n" % (name, code) in header


def zarvo_header():
    import os

    here = os.path.dirname(os.path.abspath(__file__))
    return os.path.join(os.path.dirname(os.path.dirname(here)), "include", "zarvo.h")


# What a session tries, the exception it must get, the export named, and an expression that
# shows the refused setting left the instrument as it was.
REFUSALS = [
    ("scope.record_length = scope.max_record_length + 1", "BadValueError", "SetRecordLength",
     "scope.record_length", 512),
    ("scope.channel(3).range = 1.0", "BadChannelError", "SetSensitivity",
     "scope.ch1.range", 8.0),
    ("scope.trigger_source = 8", "UnavailableError", "SetTriggerSource",
     "scope.trigger_source", "ch1"),
    ("scope.ch1.dc_level = 16.5", "BadValueError", "SetDcLevel", "scope.ch1.dc_level", 0.0),
    ("scope.ch1.coupling = 2", "BadValueError", "SetCoupling", "scope.ch1.coupling", "dc"),
    ("scope.ch1.trigger_level = 8.5", "BadValueError", "SetTriggerLevel",
     "scope.ch1.trigger_level", 0.0),
    ("scope.ch1.trigger_mode = 2", "UnavailableError", "SetTriggerModeCh",
     "scope.ch1.trigger_mode", 0),
    ("scope.channel(0).auto_range", "BadChannelError", "GetAutoRanging",
     "scope.ch1.auto_range", False),
]


def test_refused_settings_raise_and_change_nothing(run_session):
    body = ["rows = []", "with zarvo.Instrument(simulate=True) as scope:",
            "    scope.record_length = 512"]
    for attempt, _, _, after, _ in REFUSALS:
        body += [
            "    try:",
            "        %s" % attempt,
            "        rows.append(['no error', None, None, None])",
            "    except zarvo.ZarvoError as e:",
            "        rows.append([type(e).__name__, e.code, e.name, e.call])",
            "    rows[-1].append(%s)" % after,
        ]
    body.append("result = rows")
    rows = run_session("\n".join(body) + "\n")
    for (attempt, kind, call, _, unchanged), row in zip(REFUSALS, rows):
        code = [c for c, k, _ in CODES if k.__name__ == kind][0]
        assert row[:4] == [kind, code, errors.status_name(code), call], attempt
        assert row[4] == unchanged, attempt


def test_python_side_refusals_name_the_argument(run_session):
    result = run_session(
        """
rows = []
with zarvo.Instrument(simulate=True) as scope:
    for attempt in ("scope.ch1.coupling = 'both'", "scope.trigger_source = 'xor'",
                    "scope.trigger_timeout = -1", "scope.record_length = 1.5",
                    "scope.active_channels = (1, 3)", "scope.pre_samples = 10 ** 6"):
        try:
            exec(attempt)
            rows.append("no error")
        except (TypeError, ValueError) as e:
            rows.append(type(e).__name__)
result = rows
"""
    )
    assert result == ["ValueError", "ValueError", "ValueError", "TypeError", "ValueError",
                      "ValueError"]


@pytest.mark.parametrize(
    "simulate,detail",
    [("lpt=0", "no simulated instrument"), ("marker=0", "no simulated instrument")],
)
def test_no_instrument_raises_from_init_and_a_later_open_detects_again(
    run_session, simulate, detail
):
    result = run_session(
        """
rows = []
try:
    zarvo.Instrument(simulate=%r).open()
except zarvo.NoInstrumentError as e:
    rows.append([e.code, e.name, e.call, str(e)])
with zarvo.Instrument(simulate=True) as scope:
    rows.append(scope.serial_number)
result = rows
"""
        % simulate
    )
    code, name, call, message = result[0]
    assert (code, name, call) == (1, "RC_NO_INSTRUMENT", "InitInstrument")
    assert detail in message and simulate in message
    # The failed start did not leave the library refusing every later start.
    assert result[1] == 12345
