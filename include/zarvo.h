/*
 * Zarvo PC oscilloscope driver: the exported interface.
 *
 * Every export works on one process-wide instrument. Call InitInstrument first, then set
 * channels, timebase and trigger, start acquisitions and read samples back; ExitInstrument
 * releases the instrument. Exports returning a status return one of the RC_ codes below.
 *
 * Samples are 16-bit unsigned words: the 8-bit converter value sits in the high byte and
 * 0x8000 is 0 V; volts = (sample - 32768) * full scale / 32768.
 *
 * On 32-bit Windows the library is DLL.dll and every export uses __stdcall; elsewhere it is
 * libzarvo.so with the platform's default calling convention. The header is plain C.
 */
#ifndef ZARVO_H
#define ZARVO_H

#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define ZARVO_CALL __stdcall
#else
#define ZARVO_CALL
#endif

#if defined(_WIN32)
#define ZARVO_EXPORT
#else
#define ZARVO_EXPORT __attribute__((visibility("default")))
#endif

#define ZARVO_API(type) ZARVO_EXPORT type ZARVO_CALL

#ifdef __cplusplus
extern "C" {
#endif

/* Status codes: single bits, never combined. */
#define RC_OK 0
#define RC_NO_INSTRUMENT 1
#define RC_NOT_INITIALISED 2
#define RC_UNAVAILABLE 4
#define RC_GENERATOR_ABSENT 8
#define RC_BAD_CHANNEL 16
#define RC_BAD_VALUE 32

/* Trigger sources (SetTriggerSource, GetTriggerSource). */
enum {
    tsCh1 = 0,
    tsCh2 = 1,
    tsCh3 = 2,
    tsCh4 = 3,
    tsExternal = 4,
    tsAnaExt = 5,
    tsAnd = 6,
    tsOr = 7,
    tsXor = 8,
    tsNoTrig = 9,
    tsNeverTrig = 10,
    tsPxiExt = 11,
    tsGenStart = 12,
    tsGenStop = 13,
    tsGenNew = 14,
    tsUnknown = 15
};

/* Measure modes (SetMeasureMode): values 1 to 15 are a bit set of channels. */
enum {
    mNone = 0,
    mCh1 = 1,
    mCh2 = 2,
    mCh12 = 3,
    mCh3 = 4,
    mCh13 = 5,
    mCh23 = 6,
    mCh123 = 7,
    mCh4 = 8,
    mCh14 = 9,
    mCh24 = 10,
    mCh124 = 11,
    mCh34 = 12,
    mCh134 = 13,
    mCh234 = 14,
    mCh1234 = 15,
    mXY = 16
};

/* Acquisition modes of the timer-driven measurement. */
enum { amContinuous = 0, amHold = 1, amOneShot = 2 };

/* Transfer modes (SetTransferMode). */
enum { tmBlock = 0, tmStream = 1 };

/* Lifecycle */
ZARVO_API(uint16_t) InitInstrument(uint32_t port);
ZARVO_API(uint16_t) ExitInstrument(void);

/* Measurement control and data */
ZARVO_API(uint16_t) DoMeasure(int32_t mode);
ZARVO_API(uint16_t) ADC_Start(void);
ZARVO_API(uint16_t) ADC_Running(void);
ZARVO_API(uint16_t) ADC_Abort(void);
ZARVO_API(uint16_t) ADC_Triggered(void);
ZARVO_API(uint16_t) ADC_Ready(void);
ZARVO_API(uint16_t) ADC_ForceTrig(void);
ZARVO_API(uint16_t) ADC_GetData(uint16_t* ch1, uint16_t* ch2);
ZARVO_API(uint16_t) ADC_GetDataVolt(double* ch1, double* ch2);
ZARVO_API(uint16_t) ADC_GetDataCh(uint16_t ch, uint16_t* data);
ZARVO_API(uint16_t) ADC_GetDataVoltCh(uint16_t ch, double* data);
ZARVO_API(uint16_t) SetDataReadyCallback(void* callback);
ZARVO_API(uint16_t) SetDataReadyEvent(void* event);
ZARVO_API(uint16_t) SetTransferMode(uint8_t mode);
ZARVO_API(uint16_t) GetTransferMode(int32_t* mode);
ZARVO_API(uint16_t) GetDigitalInputValues(uint16_t* values);
ZARVO_API(uint16_t) GetOneDigitalValue(int32_t index, uint16_t* value);

/* Channel, timebase and configuration */
ZARVO_API(uint16_t) GetNrChannels(uint16_t* value);
ZARVO_API(double) GetMaxSampleFrequencyF(void);
ZARVO_API(uint32_t) GetMaxSampleFrequency(void);
ZARVO_API(int32_t) GetMaxRecordLength(void);
ZARVO_API(uint16_t) GetSerialNumber(int32_t* value);
ZARVO_API(uint16_t) GetCalibrationDate(uint32_t* value);
ZARVO_API(int32_t) GetDCLevelStatus(void);
ZARVO_API(uint16_t) GetAvailableSensitivities(double* values);
ZARVO_API(uint16_t) GetAvailableResolutions(double* values);
ZARVO_API(uint16_t) GetResolution(uint8_t* value);
ZARVO_API(uint16_t) SetResolution(uint8_t value);
ZARVO_API(uint16_t) GetMeasureMode(uint8_t* value);
ZARVO_API(uint16_t) SetMeasureMode(uint8_t mode);
ZARVO_API(int32_t) GetRecordLength(void);
ZARVO_API(uint16_t) SetRecordLength(uint32_t value);
ZARVO_API(int32_t) GetPostSamples(void);
ZARVO_API(uint16_t) SetPostSamples(uint32_t value);
ZARVO_API(double) GetSampleFrequencyF(void);
ZARVO_API(uint16_t) SetSampleFrequencyF(double* value);
ZARVO_API(uint32_t) GetSampleFrequency(void);
ZARVO_API(uint16_t) SetSampleFrequency(uint32_t* value);
ZARVO_API(uint16_t) GetSensitivity(uint8_t ch, double* value);
ZARVO_API(uint16_t) SetSensitivity(uint8_t ch, double* value);
ZARVO_API(uint16_t) GetAutoRanging(uint8_t ch, uint8_t* value);
ZARVO_API(uint16_t) SetAutoRanging(uint8_t ch, uint8_t value);
ZARVO_API(uint16_t) GetCoupling(uint8_t ch, uint8_t* value);
ZARVO_API(uint16_t) SetCoupling(uint8_t ch, uint8_t value);
ZARVO_API(uint16_t) GetDcLevel(uint8_t ch, double* value);
ZARVO_API(uint16_t) SetDcLevel(uint8_t ch, double value);
ZARVO_API(uint16_t) GetExternalClock(uint16_t* value);
ZARVO_API(uint16_t) SetExternalClock(uint16_t value);
ZARVO_API(uint16_t) SetInstrumentConfig(uint16_t value);
ZARVO_API(uint16_t) GetInstrumentConfig(uint16_t* value);

/* Trigger */
ZARVO_API(uint16_t) GetTriggerSource(uint8_t* value);
ZARVO_API(uint16_t) SetTriggerSource(uint8_t value);
ZARVO_API(uint16_t) GetTriggerMode(uint8_t* value);
ZARVO_API(uint16_t) SetTriggerMode(uint8_t mode);
ZARVO_API(uint16_t) GetTriggerModeCh(uint8_t ch, uint8_t* value);
ZARVO_API(uint16_t) SetTriggerModeCh(uint8_t ch, uint8_t mode);
ZARVO_API(uint16_t) GetTriggerLevel(uint8_t ch, double* value);
ZARVO_API(uint16_t) SetTriggerLevel(uint8_t ch, double value);
ZARVO_API(uint16_t) GetTriggerHys(uint8_t ch, double* value);
ZARVO_API(uint16_t) SetTriggerHys(uint8_t ch, double value);
ZARVO_API(int32_t) GetTriggerTimeOut(void);
ZARVO_API(uint16_t) SetTriggerTimeOut(uint32_t value);
ZARVO_API(uint16_t) GetPXITriggerSlopes(uint8_t* value);
ZARVO_API(uint16_t) SetPXITriggerSlopes(uint8_t value);
ZARVO_API(uint16_t) GetPXITriggerEnables(uint8_t* value);
ZARVO_API(uint16_t) SetPXITriggerEnables(uint8_t value);

/* Single-call measurement */
ZARVO_API(uint16_t) StartMeasurement(void);
ZARVO_API(uint16_t) GetMeasurement(double* ch1, double* ch2);
ZARVO_API(uint16_t) GetOneMeasurement(int32_t index, double* ch1, double* ch2);
ZARVO_API(uint16_t) GetMeasurementRaw(uint16_t* ch1, uint16_t* ch2);
ZARVO_API(uint16_t) GetOneMeasurementRaw(int32_t index, uint16_t* ch1, uint16_t* ch2);
ZARVO_API(uint16_t) GetOneMeasurementRawCh(uint16_t ch, int32_t index, uint16_t* value);

/* Square-wave generator */
ZARVO_API(uint16_t) GetSquareWaveGenStatus(void);
ZARVO_API(int32_t) GetSquareWaveGenFrequency(void);
ZARVO_API(uint16_t) SetSquareWaveGenFrequency(uint32_t* value);

/* Function generator (absent on the instruments this library drives) */
ZARVO_API(uint16_t) GetFunctionGenStatus(void);
ZARVO_API(uint16_t) GetFuncGenMaxAmplitude(double* value);
ZARVO_API(uint16_t) SetFuncGenSignalType(uint16_t value);
ZARVO_API(uint16_t) GetFuncGenSignalType(uint16_t* value);
ZARVO_API(uint16_t) SetFuncGenAmplitude(double value);
ZARVO_API(uint16_t) GetFuncGenAmplitude(double* value);
ZARVO_API(uint16_t) SetFuncGenDCOffset(double value);
ZARVO_API(uint16_t) GetFuncGenDCOffset(double* value);
ZARVO_API(uint16_t) SetFuncGenSymmetry(double value);
ZARVO_API(uint16_t) GetFuncGenSymmetry(double* value);
ZARVO_API(uint16_t) SetFuncGenFrequency(double* value);
ZARVO_API(uint16_t) GetFuncGenFrequency(double* value);
ZARVO_API(uint16_t) SetFuncGenOutputOn(uint16_t value);
ZARVO_API(uint16_t) GetFuncGenOutputOn(uint16_t* value);
ZARVO_API(uint16_t) SetFuncGenEnable(uint16_t value);
ZARVO_API(uint16_t) GetFuncGenEnable(uint16_t* value);
ZARVO_API(uint16_t) FillFuncGenMemory(int32_t count, void* data);
ZARVO_API(uint16_t) FuncGenBurst(uint16_t value);
ZARVO_API(uint16_t) SetFuncGenTrigSource(uint8_t value);
ZARVO_API(uint16_t) GetFuncGenTrigSource(uint8_t* value);

/* Digital outputs, ohm measurement, I2C: not available on these instruments */
ZARVO_API(uint16_t) SetDigitalOutputs(uint32_t value);
ZARVO_API(uint16_t) GetDigitalOutputs(uint32_t* value);
ZARVO_API(uint16_t) SetupOhmMeasurements(uint32_t value);
ZARVO_API(uint16_t) I2CWrite(uint32_t address, void* data, uint32_t length);
ZARVO_API(uint16_t) I2CRead(uint32_t address, void* data, uint32_t length);
ZARVO_API(uint16_t) I2CWriteNoStop(uint32_t address, void* data, uint32_t length);
ZARVO_API(uint16_t) I2CReadNoStop(uint32_t address, void* data, uint32_t length);
ZARVO_API(uint16_t) I2CSetSpeed(uint32_t speed);
ZARVO_API(uint16_t) I2CGetSpeed(uint32_t* speed);

/* Functions of the wider instrument family: always RC_UNAVAILABLE */
ZARVO_API(uint16_t) GetOhmValues(void* values1, void* values2);
ZARVO_API(uint16_t) GetActiveMirdo(void* value);
ZARVO_API(uint16_t) SetActiveMirdo(uint32_t value);
ZARVO_API(uint16_t) SetDAC1451(uint32_t a, uint32_t b, uint32_t c, uint32_t d);
ZARVO_API(uint16_t) SetMotorOn(uint32_t a, uint32_t b);
ZARVO_API(uint16_t) SetFuncGenMode(uint32_t value);
ZARVO_API(uint16_t) GetFuncGenMode(void* value);
ZARVO_API(uint16_t) SetFuncGenAmplitudeRange(uint32_t value);
ZARVO_API(uint16_t) GetFuncGenAmplitudeRange(void* value);

#ifdef __cplusplus
}
#endif

#endif /* ZARVO_H */
