# SPDX-License-Identifier: MIT
"""The library through raw ctypes, without the zarvo package (the guide's Python section)."""
import ctypes
import os
import sys

if sys.platform == "win32":
    lib = ctypes.WinDLL("DLL.dll")  # stdcall exports; needs a 32-bit Python
else:
    lib = ctypes.CDLL(os.environ.get("ZARVO_LIBRARY", "libzarvo.so.1"))

# Declare every export used: result and argument types, as in zarvo.h.
lib.InitInstrument.argtypes = [ctypes.c_uint32]
lib.InitInstrument.restype = ctypes.c_uint16
lib.ExitInstrument.restype = ctypes.c_uint16
lib.SetSensitivity.argtypes = [ctypes.c_uint8, ctypes.POINTER(ctypes.c_double)]
lib.SetSensitivity.restype = ctypes.c_uint16
lib.SetRecordLength.argtypes = [ctypes.c_uint32]
lib.SetRecordLength.restype = ctypes.c_uint16
lib.SetPostSamples.argtypes = [ctypes.c_uint32]
lib.SetPostSamples.restype = ctypes.c_uint16
lib.StartMeasurement.restype = ctypes.c_uint16
lib.GetMeasurement.argtypes = [ctypes.POINTER(ctypes.c_double)] * 2
lib.GetMeasurement.restype = ctypes.c_uint16
lib.GetSampleFrequencyF.restype = ctypes.c_double

RC_OK = 0


def check(status, call):
    if status != RC_OK:
        raise RuntimeError(f"{call} failed with status {status}")


if lib.InitInstrument(0) != RC_OK:
    sys.exit("no instrument")
try:
    volts = ctypes.c_double(2.0)
    check(lib.SetSensitivity(1, ctypes.byref(volts)), "SetSensitivity")  # range taken: volts.value
    check(lib.SetRecordLength(500), "SetRecordLength")
    check(lib.SetPostSamples(500), "SetPostSamples")
    check(lib.StartMeasurement(), "StartMeasurement")
    ch1 = (ctypes.c_double * 500)()
    ch2 = (ctypes.c_double * 500)()
    check(lib.GetMeasurement(ch1, ch2), "GetMeasurement")
    print(f"range {volts.value} V, rate {lib.GetSampleFrequencyF():.0f} Hz, peak {max(ch1):.3f} V")
finally:
    lib.ExitInstrument()
