# SPDX-License-Identifier: MIT
"""Finding and loading the shared library, and the prototype of every export.

Where the library is looked for, in this order:

1. the ZARVO_LIBRARY environment variable: the library file itself, or a folder holding it
   (when it is set, nothing else is tried, so a wrong setting is never hidden by another copy);
2. the folder of this package (a wheel or an unpacked Windows package ships it there);
3. the system's library search path (LD_LIBRARY_PATH and the linker cache on Linux, PATH and
   the standard folders on Windows).

On Windows the library is DLL.dll with stdcall exports on 32-bit systems, loaded with WinDLL;
a 32-bit DLL loads only into a 32-bit Python. Elsewhere it is libzarvo.so.1.
"""

import ctypes
import ctypes.util
import os
import sys
import threading

from .errors import LibraryNotFoundError

ENVIRONMENT_VARIABLE = "ZARVO_LIBRARY"

if sys.platform == "win32":
    LIBRARY_NAMES = ("DLL.dll",)
elif sys.platform == "darwin":
    LIBRARY_NAMES = ("libzarvo.1.dylib", "libzarvo.dylib")
else:
    LIBRARY_NAMES = ("libzarvo.so.1", "libzarvo.so")

_u8 = ctypes.c_uint8
_u16 = ctypes.c_uint16
_u32 = ctypes.c_uint32
_i32 = ctypes.c_int32
_dbl = ctypes.c_double
_ptr = ctypes.c_void_p
_pu8 = ctypes.POINTER(ctypes.c_uint8)
_pu16 = ctypes.POINTER(ctypes.c_uint16)
_pu32 = ctypes.POINTER(ctypes.c_uint32)
_pi32 = ctypes.POINTER(ctypes.c_int32)
_pdbl = ctypes.POINTER(ctypes.c_double)

# Every export of the public header: name -> (result type, argument types). A wrong entry
# would pass arguments the library does not expect (and unbalance the stack with stdcall),
# so the package's tests compare this table with the header.
PROTOTYPES = {
    # Lifecycle
    "InitInstrument": (_u16, (_u32,)),
    "ExitInstrument": (_u16, ()),
    # Measurement control and data
    "DoMeasure": (_u16, (_i32,)),
    "ADC_Start": (_u16, ()),
    "ADC_Running": (_u16, ()),
    "ADC_Abort": (_u16, ()),
    "ADC_Triggered": (_u16, ()),
    "ADC_Ready": (_u16, ()),
    "ADC_ForceTrig": (_u16, ()),
    "ADC_GetData": (_u16, (_pu16, _pu16)),
    "ADC_GetDataVolt": (_u16, (_pdbl, _pdbl)),
    "ADC_GetDataCh": (_u16, (_u16, _pu16)),
    "ADC_GetDataVoltCh": (_u16, (_u16, _pdbl)),
    "SetDataReadyCallback": (_u16, (_ptr,)),
    "SetDataReadyEvent": (_u16, (_ptr,)),
    "SetTransferMode": (_u16, (_u8,)),
    "GetTransferMode": (_u16, (_pi32,)),
    "GetDigitalInputValues": (_u16, (_pu16,)),
    "GetOneDigitalValue": (_u16, (_i32, _pu16)),
    # Channel, timebase and configuration
    "GetNrChannels": (_u16, (_pu16,)),
    "GetMaxSampleFrequencyF": (_dbl, ()),
    "GetMaxSampleFrequency": (_u32, ()),
    "GetMaxRecordLength": (_i32, ()),
    "GetSerialNumber": (_u16, (_pi32,)),
    "GetCalibrationDate": (_u16, (_pu32,)),
    "GetDCLevelStatus": (_i32, ()),
    "GetAvailableSensitivities": (_u16, (_pdbl,)),
    "GetAvailableResolutions": (_u16, (_pdbl,)),
    "GetResolution": (_u16, (_pu8,)),
    "SetResolution": (_u16, (_u8,)),
    "GetMeasureMode": (_u16, (_pu8,)),
    "SetMeasureMode": (_u16, (_u8,)),
    "GetRecordLength": (_i32, ()),
    "SetRecordLength": (_u16, (_u32,)),
    "GetPostSamples": (_i32, ()),
    "SetPostSamples": (_u16, (_u32,)),
    "GetSampleFrequencyF": (_dbl, ()),
    "SetSampleFrequencyF": (_u16, (_pdbl,)),
    "GetSampleFrequency": (_u32, ()),
    "SetSampleFrequency": (_u16, (_pu32,)),
    "GetSensitivity": (_u16, (_u8, _pdbl)),
    "SetSensitivity": (_u16, (_u8, _pdbl)),
    "GetAutoRanging": (_u16, (_u8, _pu8)),
    "SetAutoRanging": (_u16, (_u8, _u8)),
    "GetCoupling": (_u16, (_u8, _pu8)),
    "SetCoupling": (_u16, (_u8, _u8)),
    "GetDcLevel": (_u16, (_u8, _pdbl)),
    "SetDcLevel": (_u16, (_u8, _dbl)),
    "GetExternalClock": (_u16, (_pu16,)),
    "SetExternalClock": (_u16, (_u16,)),
    "SetInstrumentConfig": (_u16, (_u16,)),
    "GetInstrumentConfig": (_u16, (_pu16,)),
    # Trigger
    "GetTriggerSource": (_u16, (_pu8,)),
    "SetTriggerSource": (_u16, (_u8,)),
    "GetTriggerMode": (_u16, (_pu8,)),
    "SetTriggerMode": (_u16, (_u8,)),
    "GetTriggerModeCh": (_u16, (_u8, _pu8)),
    "SetTriggerModeCh": (_u16, (_u8, _u8)),
    "GetTriggerLevel": (_u16, (_u8, _pdbl)),
    "SetTriggerLevel": (_u16, (_u8, _dbl)),
    "GetTriggerHys": (_u16, (_u8, _pdbl)),
    "SetTriggerHys": (_u16, (_u8, _dbl)),
    "GetTriggerTimeOut": (_i32, ()),
    "SetTriggerTimeOut": (_u16, (_u32,)),
    "GetPXITriggerSlopes": (_u16, (_pu8,)),
    "SetPXITriggerSlopes": (_u16, (_u8,)),
    "GetPXITriggerEnables": (_u16, (_pu8,)),
    "SetPXITriggerEnables": (_u16, (_u8,)),
    # Single-call measurement
    "StartMeasurement": (_u16, ()),
    "GetMeasurement": (_u16, (_pdbl, _pdbl)),
    "GetOneMeasurement": (_u16, (_i32, _pdbl, _pdbl)),
    "GetMeasurementRaw": (_u16, (_pu16, _pu16)),
    "GetOneMeasurementRaw": (_u16, (_i32, _pu16, _pu16)),
    "GetOneMeasurementRawCh": (_u16, (_u16, _i32, _pu16)),
    # Square-wave generator
    "GetSquareWaveGenStatus": (_u16, ()),
    "GetSquareWaveGenFrequency": (_i32, ()),
    "SetSquareWaveGenFrequency": (_u16, (_pu32,)),
    # Function generator
    "GetFunctionGenStatus": (_u16, ()),
    "GetFuncGenMaxAmplitude": (_u16, (_pdbl,)),
    "SetFuncGenSignalType": (_u16, (_u16,)),
    "GetFuncGenSignalType": (_u16, (_pu16,)),
    "SetFuncGenAmplitude": (_u16, (_dbl,)),
    "GetFuncGenAmplitude": (_u16, (_pdbl,)),
    "SetFuncGenDCOffset": (_u16, (_dbl,)),
    "GetFuncGenDCOffset": (_u16, (_pdbl,)),
    "SetFuncGenSymmetry": (_u16, (_dbl,)),
    "GetFuncGenSymmetry": (_u16, (_pdbl,)),
    "SetFuncGenFrequency": (_u16, (_pdbl,)),
    "GetFuncGenFrequency": (_u16, (_pdbl,)),
    "SetFuncGenOutputOn": (_u16, (_u16,)),
    "GetFuncGenOutputOn": (_u16, (_pu16,)),
    "SetFuncGenEnable": (_u16, (_u16,)),
    "GetFuncGenEnable": (_u16, (_pu16,)),
    "FillFuncGenMemory": (_u16, (_i32, _ptr)),
    "FuncGenBurst": (_u16, (_u16,)),
    "SetFuncGenTrigSource": (_u16, (_u8,)),
    "GetFuncGenTrigSource": (_u16, (_pu8,)),
    # Digital outputs, ohm measurement, I2C
    "SetDigitalOutputs": (_u16, (_u32,)),
    "GetDigitalOutputs": (_u16, (_pu32,)),
    "SetupOhmMeasurements": (_u16, (_u32,)),
    "I2CWrite": (_u16, (_u32, _ptr, _u32)),
    "I2CRead": (_u16, (_u32, _ptr, _u32)),
    "I2CWriteNoStop": (_u16, (_u32, _ptr, _u32)),
    "I2CReadNoStop": (_u16, (_u32, _ptr, _u32)),
    "I2CSetSpeed": (_u16, (_u32,)),
    "I2CGetSpeed": (_u16, (_pu32,)),
    # Functions of the wider instrument family
    "GetOhmValues": (_u16, (_ptr, _ptr)),
    "GetActiveMirdo": (_u16, (_ptr,)),
    "SetActiveMirdo": (_u16, (_u32,)),
    "SetDAC1451": (_u16, (_u32, _u32, _u32, _u32)),
    "SetMotorOn": (_u16, (_u32, _u32)),
    "SetFuncGenMode": (_u16, (_u32,)),
    "GetFuncGenMode": (_u16, (_ptr,)),
    "SetFuncGenAmplitudeRange": (_u16, (_u32,)),
    "GetFuncGenAmplitudeRange": (_u16, (_ptr,)),
}

_loaded = {}
_lock = threading.Lock()


def _open(path):
    if sys.platform == "win32":
        return ctypes.WinDLL(path)
    return ctypes.CDLL(path)


def _bind(handle, where):
    missing = [name for name in PROTOTYPES if not hasattr(handle, name)]
    if missing:
        raise LibraryNotFoundError(
            "%s is not the zarvo library: it lacks %s" % (where, ", ".join(missing[:5])),
            [(where, "missing exports")],
        )
    for name, (restype, argtypes) in PROTOTYPES.items():
        function = getattr(handle, name)
        function.restype = restype
        function.argtypes = list(argtypes)
    return handle


def _candidates_in(folder):
    return [os.path.join(folder, name) for name in LIBRARY_NAMES]


def _explicit_candidates(setting):
    if os.path.isdir(setting):
        return _candidates_in(setting)
    return [setting]


def _system_candidates():
    names = list(LIBRARY_NAMES)
    found = ctypes.util.find_library("DLL" if sys.platform == "win32" else "zarvo")
    if found and found not in names:
        names.append(found)
    return names


def _try(candidates, tried):
    for candidate in candidates:
        # A bare name ("libzarvo.so.1") is left to the system's search; a path must exist.
        by_name = os.path.basename(candidate) == candidate
        if not by_name and not os.path.exists(candidate):
            tried.append((candidate, "no such file"))
            continue
        try:
            handle = _open(candidate)
        except OSError as error:
            reason = str(error) or "cannot be loaded"
            if by_name:
                reason = "not on the system's library path (%s)" % reason
            tried.append((candidate, reason))
            continue
        return candidate, handle
    return None, None


def _describe(tried):
    lines = ["  %s: %s" % (where, why) for where, why in tried]
    hint = (
        "Set %s to the library file (or its folder), place the library next to the zarvo "
        "package, or install it on the system's library path." % ENVIRONMENT_VARIABLE
    )
    if sys.platform == "win32":
        hint += (
            " DLL.dll loads only into a Python of its word size: the shipped 32-bit DLL.dll "
            "needs a 32-bit Python."
        )
    return "the zarvo library was not found; tried:\n" + "\n".join(lines) + "\n" + hint


def load_library(path=None):
    """Loads the library (once per path) with every export's prototype set.

    path: the library file or its folder; None looks where the module documentation says.
    Raises LibraryNotFoundError naming every place tried.
    """
    with _lock:
        key = path or ("env", os.environ.get(ENVIRONMENT_VARIABLE, ""))
        if key in _loaded:
            return _loaded[key]
        tried = []
        setting = path or os.environ.get(ENVIRONMENT_VARIABLE, "")
        if setting:
            where, handle = _try(_explicit_candidates(setting), tried)
        else:
            here = os.path.dirname(os.path.abspath(__file__))
            where, handle = _try(_candidates_in(here), tried)
            if handle is None:
                where, handle = _try(_system_candidates(), tried)
        if handle is None:
            raise LibraryNotFoundError(_describe(tried), tried)
        library = _bind(handle, where)
        library.zarvo_path = where
        _loaded[key] = library
        return library
