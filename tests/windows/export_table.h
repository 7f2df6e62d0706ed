// SPDX-License-Identifier: MIT
// The export table of DLL.dll as applications see it: ordinal, name, the argument slots the
// caller pushes and the kind of result. Kept here independently of the library's own export
// list (api/DLL.def), so that a wrong ordinal or a changed argument size there is caught.
//
// Argument kinds: b byte, w 16-bit word, i 32-bit integer, p pointer (each one 4-byte stack
// slot on 32-bit Windows), d double by value (8 bytes). Results: s 16-bit status, i 32-bit
// integer, d double (returned on the floating-point stack on 32-bit Windows).
#pragma once

#include <cstdint>

#include "zarvo.h"

namespace zarvo_test {

struct ExportEntry {
    int ordinal;
    const char* name;
    const char* args;
    char result;
    // What the export returns before InitInstrument: guarded exports report no instrument,
    // the stubs of the wider family report unavailable, value exports return 0 (the trigger
    // time-out returns 1).
    std::int32_t beforeInit;
};

// Ordinals 68 and 69 have no entry.
inline constexpr int kFirstOrdinal = 1;
inline constexpr int kLastOrdinal = 117;
inline constexpr int kEmptyOrdinals[] = {68, 69};

inline constexpr ExportEntry kExports[] = {
    {1, "InitInstrument", "i", 's', RC_NO_INSTRUMENT},
    {2, "ExitInstrument", "", 's', 0},
    {3, "GetCalibrationDate", "p", 's', RC_NO_INSTRUMENT},
    {4, "GetSerialNumber", "p", 's', RC_NO_INSTRUMENT},
    {5, "GetMaxSampleFrequency", "", 'i', 0},
    {6, "GetMaxRecordLength", "", 'i', 0},
    {7, "GetSquareWaveGenStatus", "", 's', RC_NO_INSTRUMENT},
    {8, "GetFunctionGenStatus", "", 's', RC_NO_INSTRUMENT},
    {9, "GetFuncGenMaxAmplitude", "p", 's', RC_NO_INSTRUMENT},
    {10, "StartMeasurement", "", 's', RC_NO_INSTRUMENT},
    {11, "GetMeasurement", "pp", 's', RC_NO_INSTRUMENT},
    {12, "GetOneMeasurement", "ipp", 's', RC_NO_INSTRUMENT},
    {13, "GetMeasurementRaw", "pp", 's', RC_NO_INSTRUMENT},
    {14, "GetOneMeasurementRaw", "ipp", 's', RC_NO_INSTRUMENT},
    {15, "GetMeasureMode", "p", 's', RC_NO_INSTRUMENT},
    {16, "SetMeasureMode", "b", 's', RC_NO_INSTRUMENT},
    {17, "GetRecordLength", "", 'i', 0},
    {18, "SetRecordLength", "i", 's', RC_NO_INSTRUMENT},
    {19, "GetPostSamples", "", 'i', 0},
    {20, "SetPostSamples", "i", 's', RC_NO_INSTRUMENT},
    {21, "GetSampleFrequency", "", 'i', 0},
    {22, "SetSampleFrequency", "p", 's', RC_NO_INSTRUMENT},
    {23, "GetSensitivity", "bp", 's', RC_NO_INSTRUMENT},
    {24, "SetSensitivity", "bp", 's', RC_NO_INSTRUMENT},
    {25, "GetAutoRanging", "bp", 's', RC_NO_INSTRUMENT},
    {26, "SetAutoRanging", "bb", 's', RC_NO_INSTRUMENT},
    {27, "GetCoupling", "bp", 's', RC_NO_INSTRUMENT},
    {28, "SetCoupling", "bb", 's', RC_NO_INSTRUMENT},
    {29, "GetDcLevel", "bp", 's', RC_NO_INSTRUMENT},
    {30, "SetDcLevel", "bd", 's', RC_NO_INSTRUMENT},
    {31, "GetTriggerSource", "p", 's', RC_NO_INSTRUMENT},
    {32, "SetTriggerSource", "b", 's', RC_NO_INSTRUMENT},
    {33, "GetTriggerMode", "p", 's', RC_NO_INSTRUMENT},
    {34, "SetTriggerMode", "b", 's', RC_NO_INSTRUMENT},
    {35, "GetTriggerLevel", "bp", 's', RC_NO_INSTRUMENT},
    {36, "SetTriggerLevel", "bd", 's', RC_NO_INSTRUMENT},
    {37, "GetTriggerHys", "bp", 's', RC_NO_INSTRUMENT},
    {38, "SetTriggerHys", "bd", 's', RC_NO_INSTRUMENT},
    {39, "GetPXITriggerSlopes", "p", 's', RC_NO_INSTRUMENT},
    {40, "SetPXITriggerSlopes", "b", 's', RC_NO_INSTRUMENT},
    {41, "GetPXITriggerEnables", "p", 's', RC_NO_INSTRUMENT},
    {42, "SetPXITriggerEnables", "b", 's', RC_NO_INSTRUMENT},
    {43, "GetTriggerTimeOut", "", 'i', 1},
    {44, "SetTriggerTimeOut", "i", 's', RC_NO_INSTRUMENT},
    {45, "GetSquareWaveGenFrequency", "", 'i', 0},
    {46, "SetSquareWaveGenFrequency", "p", 's', RC_NO_INSTRUMENT},
    {47, "GetFuncGenFrequency", "p", 's', RC_NO_INSTRUMENT},
    {48, "SetFuncGenFrequency", "p", 's', RC_NO_INSTRUMENT},
    {49, "GetFuncGenAmplitude", "p", 's', RC_NO_INSTRUMENT},
    {50, "SetFuncGenAmplitude", "d", 's', RC_NO_INSTRUMENT},
    {51, "GetFuncGenSignalType", "p", 's', RC_NO_INSTRUMENT},
    {52, "SetFuncGenSignalType", "w", 's', RC_NO_INSTRUMENT},
    {53, "GetFuncGenDCOffset", "p", 's', RC_NO_INSTRUMENT},
    {54, "SetFuncGenDCOffset", "d", 's', RC_NO_INSTRUMENT},
    {55, "GetFuncGenSymmetry", "p", 's', RC_NO_INSTRUMENT},
    {56, "SetFuncGenSymmetry", "d", 's', RC_NO_INSTRUMENT},
    {57, "GetFuncGenOutputOn", "p", 's', RC_NO_INSTRUMENT},
    {58, "SetFuncGenOutputOn", "w", 's', RC_NO_INSTRUMENT},
    {59, "FillFuncGenMemory", "ip", 's', RC_NO_INSTRUMENT},
    {60, "SetDigitalOutputs", "i", 's', RC_NO_INSTRUMENT},
    {61, "GetDigitalOutputs", "p", 's', RC_NO_INSTRUMENT},
    {62, "GetDigitalInputValues", "p", 's', RC_NO_INSTRUMENT},
    {63, "GetOneDigitalValue", "ip", 's', RC_NO_INSTRUMENT},
    {64, "GetActiveMirdo", "p", 's', RC_UNAVAILABLE},
    {65, "SetActiveMirdo", "i", 's', RC_UNAVAILABLE},
    {66, "SetDAC1451", "iiii", 's', RC_UNAVAILABLE},
    {67, "SetMotorOn", "ii", 's', RC_UNAVAILABLE},
    {70, "GetAvailableResolutions", "p", 's', RC_NO_INSTRUMENT},
    {71, "GetAvailableSensitivities", "p", 's', RC_NO_INSTRUMENT},
    {72, "ADC_Start", "", 's', RC_NO_INSTRUMENT},
    {73, "ADC_Running", "", 's', 0},
    {74, "ADC_Abort", "", 's', RC_NO_INSTRUMENT},
    {75, "ADC_Triggered", "", 's', 0},
    {76, "ADC_Ready", "", 's', 0},
    {77, "ADC_GetData", "pp", 's', RC_NO_INSTRUMENT},
    {78, "ADC_GetDataVolt", "pp", 's', RC_NO_INSTRUMENT},
    {79, "ADC_ForceTrig", "", 's', RC_NO_INSTRUMENT},
    {80, "GetResolution", "p", 's', RC_NO_INSTRUMENT},
    {81, "SetResolution", "b", 's', RC_NO_INSTRUMENT},
    {82, "GetDCLevelStatus", "", 'i', RC_NO_INSTRUMENT},
    {83, "GetExternalClock", "p", 's', RC_NO_INSTRUMENT},
    {84, "SetExternalClock", "w", 's', RC_NO_INSTRUMENT},
    {85, "FuncGenBurst", "w", 's', RC_NO_INSTRUMENT},
    {86, "SetInstrumentConfig", "w", 's', RC_NO_INSTRUMENT},
    {87, "GetInstrumentConfig", "p", 's', RC_NO_INSTRUMENT},
    {88, "SetupOhmMeasurements", "i", 's', RC_NO_INSTRUMENT},
    {89, "GetOhmValues", "pp", 's', RC_UNAVAILABLE},
    {90, "SetFuncGenTrigSource", "b", 's', RC_NO_INSTRUMENT},
    {91, "GetFuncGenTrigSource", "p", 's', RC_NO_INSTRUMENT},
    {92, "GetSampleFrequencyF", "", 'd', 0},
    {93, "SetSampleFrequencyF", "p", 's', RC_NO_INSTRUMENT},
    {94, "SetTransferMode", "b", 's', RC_NO_INSTRUMENT},
    {95, "GetTransferMode", "p", 's', RC_NO_INSTRUMENT},
    {96, "GetNrChannels", "p", 's', RC_NO_INSTRUMENT},
    {97, "ADC_GetDataCh", "wp", 's', RC_NO_INSTRUMENT},
    {98, "ADC_GetDataVoltCh", "wp", 's', RC_NO_INSTRUMENT},
    {99, "SetDataReadyCallback", "p", 's', RC_NO_INSTRUMENT},
    {100, "SetDataReadyEvent", "p", 's', RC_NO_INSTRUMENT},
    {101, "DoMeasure", "i", 's', RC_NO_INSTRUMENT},
    {102, "SetTriggerModeCh", "bb", 's', RC_NO_INSTRUMENT},
    {103, "GetTriggerModeCh", "bp", 's', RC_NO_INSTRUMENT},
    {104, "SetFuncGenMode", "i", 's', RC_UNAVAILABLE},
    {105, "GetFuncGenMode", "p", 's', RC_UNAVAILABLE},
    {106, "GetOneMeasurementRawCh", "wip", 's', RC_NO_INSTRUMENT},
    {107, "I2CWrite", "ipi", 's', RC_NO_INSTRUMENT},
    {108, "I2CRead", "ipi", 's', RC_NO_INSTRUMENT},
    {109, "GetMaxSampleFrequencyF", "", 'd', 0},
    {110, "I2CWriteNoStop", "ipi", 's', RC_NO_INSTRUMENT},
    {111, "I2CReadNoStop", "ipi", 's', RC_NO_INSTRUMENT},
    {112, "I2CSetSpeed", "i", 's', RC_NO_INSTRUMENT},
    {113, "I2CGetSpeed", "p", 's', RC_NO_INSTRUMENT},
    {114, "SetFuncGenEnable", "w", 's', RC_NO_INSTRUMENT},
    {115, "GetFuncGenEnable", "p", 's', RC_NO_INSTRUMENT},
    {116, "SetFuncGenAmplitudeRange", "i", 's', RC_UNAVAILABLE},
    {117, "GetFuncGenAmplitudeRange", "p", 's', RC_UNAVAILABLE},
};

inline constexpr int kExportCount = sizeof(kExports) / sizeof(kExports[0]);
static_assert(kExportCount == 115);

}  // namespace zarvo_test
