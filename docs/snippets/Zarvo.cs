// SPDX-License-Identifier: MIT
// P/Invoke declarations of the exports the programming guide uses, for C# programs that load
// DLL.dll (a 32-bit DLL: build the program for x86). Every export is stdcall; a status is a
// ushort (0 = RC_OK). check_csharp.py compares each declaration with include/zarvo.h.
using System.Runtime.InteropServices;

public static class Zarvo
{
    const string Dll = "DLL.dll";
    const CallingConvention Std = CallingConvention.StdCall;

    public const ushort RC_OK = 0, RC_NO_INSTRUMENT = 1, RC_NOT_INITIALISED = 2,
        RC_UNAVAILABLE = 4, RC_GENERATOR_ABSENT = 8, RC_BAD_CHANNEL = 16, RC_BAD_VALUE = 32;
    public const byte tsCh1 = 0, tsCh2 = 1, tsExternal = 4, tsAnd = 6, tsOr = 7, tsNoTrig = 9;
    public const byte mCh1 = 1, mCh2 = 2, mCh12 = 3;

    // Lifecycle and identity
    [DllImport(Dll, CallingConvention = Std)] public static extern ushort InitInstrument(uint port);
    [DllImport(Dll, CallingConvention = Std)] public static extern ushort ExitInstrument();
    [DllImport(Dll, CallingConvention = Std)] public static extern ushort GetNrChannels(out ushort value);
    [DllImport(Dll, CallingConvention = Std)] public static extern ushort GetSerialNumber(out int value);
    [DllImport(Dll, CallingConvention = Std)] public static extern ushort GetCalibrationDate(out uint value);
    [DllImport(Dll, CallingConvention = Std)] public static extern double GetMaxSampleFrequencyF();
    [DllImport(Dll, CallingConvention = Std)] public static extern int GetMaxRecordLength();

    // Channels and timebase
    [DllImport(Dll, CallingConvention = Std)] public static extern ushort GetAvailableSensitivities([Out] double[] values);
    [DllImport(Dll, CallingConvention = Std)] public static extern ushort SetMeasureMode(byte mode);
    [DllImport(Dll, CallingConvention = Std)] public static extern ushort SetSensitivity(byte ch, ref double value);
    [DllImport(Dll, CallingConvention = Std)] public static extern ushort GetSensitivity(byte ch, out double value);
    [DllImport(Dll, CallingConvention = Std)] public static extern ushort SetCoupling(byte ch, byte value);
    [DllImport(Dll, CallingConvention = Std)] public static extern ushort SetDcLevel(byte ch, double value);
    [DllImport(Dll, CallingConvention = Std)] public static extern ushort SetAutoRanging(byte ch, byte value);
    [DllImport(Dll, CallingConvention = Std)] public static extern ushort SetSampleFrequencyF(ref double value);
    [DllImport(Dll, CallingConvention = Std)] public static extern ushort SetSampleFrequency(ref uint value);
    [DllImport(Dll, CallingConvention = Std)] public static extern ushort SetRecordLength(uint value);
    [DllImport(Dll, CallingConvention = Std)] public static extern int GetRecordLength();
    [DllImport(Dll, CallingConvention = Std)] public static extern ushort SetPostSamples(uint value);

    // Trigger
    [DllImport(Dll, CallingConvention = Std)] public static extern ushort SetTriggerSource(byte value);
    [DllImport(Dll, CallingConvention = Std)] public static extern ushort SetTriggerMode(byte mode);
    [DllImport(Dll, CallingConvention = Std)] public static extern ushort SetTriggerLevel(byte ch, double value);
    [DllImport(Dll, CallingConvention = Std)] public static extern ushort SetTriggerHys(byte ch, double value);
    [DllImport(Dll, CallingConvention = Std)] public static extern ushort SetTriggerTimeOut(uint value);

    // Measuring
    [DllImport(Dll, CallingConvention = Std)] public static extern ushort ADC_Start();
    [DllImport(Dll, CallingConvention = Std)] public static extern ushort ADC_Ready();
    [DllImport(Dll, CallingConvention = Std)] public static extern ushort ADC_ForceTrig();
    [DllImport(Dll, CallingConvention = Std)] public static extern ushort ADC_GetData([Out] ushort[] ch1, [Out] ushort[] ch2);
    [DllImport(Dll, CallingConvention = Std)] public static extern ushort ADC_GetDataVolt([Out] double[] ch1, [Out] double[] ch2);
    [DllImport(Dll, CallingConvention = Std)] public static extern ushort DoMeasure(int mode);
    [DllImport(Dll, CallingConvention = Std)] public static extern ushort StartMeasurement();
    [DllImport(Dll, CallingConvention = Std)] public static extern ushort GetMeasurement([Out] double[] ch1, [Out] double[] ch2);

    // Square-wave generator
    [DllImport(Dll, CallingConvention = Std)] public static extern ushort SetSquareWaveGenFrequency(ref uint value);
    [DllImport(Dll, CallingConvention = Std)] public static extern int GetSquareWaveGenFrequency();
}
