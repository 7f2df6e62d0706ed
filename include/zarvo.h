/**
 * \file zarvo.h
 * \brief Zarvo PC oscilloscope driver: the exported interface.
 *
 * Every export works on one process-wide instrument. Call InitInstrument() first, then set
 * channels, timebase and trigger, start acquisitions and read samples back; ExitInstrument()
 * releases the instrument. Exports returning a status return one of the RC_ codes below.
 *
 * Samples are 16-bit unsigned words: the 8-bit converter value sits in the high byte and
 * 0x8000 is 0 V; volts = (sample - 32768) * full scale / 32768.
 *
 * On 32-bit Windows the library is DLL.dll and every export uses __stdcall; elsewhere it is
 * libzarvo.so with the platform's default calling convention. The header is plain C.
 *
 * \anchor zarvo_checks
 * \par Standard order of checks
 * An export that checks its arguments makes its checks in this order, and the first that
 * fails decides the status; nothing is changed and nothing is written then (the few exports
 * that write an output on a failure say so):
 * 1. instrument guard: #RC_NO_INSTRUMENT unless the library is Running (see below);
 * 2. started-once test, measurement control only (DoMeasure(), ADC_Start(), ADC_Abort(),
 *    ADC_ForceTrig(), StartMeasurement()): #RC_NOT_INITIALISED when no start-up has ever
 *    succeeded in this load of the library (unreachable once the guard passed);
 * 3. capability: #RC_UNAVAILABLE (or #RC_GENERATOR_ABSENT for a generator) when this
 *    instrument lacks the function, source or mode;
 * 4. channel: #RC_BAD_CHANNEL unless 1 <= channel <= the number of channels (2 here; the
 *    trigger-mode exports also take 0, the external trigger input);
 * 5. value: #RC_BAD_VALUE for an argument outside its accepted set, a value that is not a
 *    number, a null pointer the call would read or write, or a stored value without a code.
 *
 * \anchor zarvo_lifecycle
 * \par Lifecycle states
 * The library is in one of four states; only Running passes the instrument guard.
 * - Never started: loaded, InitInstrument() not called yet (or ExitInstrument() after a
 *   failed start). Guarded exports return #RC_NO_INSTRUMENT.
 * - Running: InitInstrument() found the instrument. Every export works.
 * - Failed start: InitInstrument() found no instrument. Guarded exports return
 *   #RC_NO_INSTRUMENT; InitInstrument() answers #RC_NO_INSTRUMENT again without searching;
 *   ExitInstrument() returns to Never started, so a new InitInstrument() searches again.
 * - Closed: ExitInstrument() after Running. Guarded exports return #RC_NO_INSTRUMENT and
 *   InitInstrument() does not start the instrument again (it returns #RC_NO_INSTRUMENT) until
 *   the library is unloaded and loaded again: the instrument can be started once per load.
 * .
 * Outside Running the exports that return a value instead of a status return 0 (except
 * GetTriggerTimeOut(), which returns 1, and GetSquareWaveGenFrequency(), which keeps its
 * value), and the polling exports ADC_Running(), ADC_Triggered() and ADC_Ready() return 0.
 * The fixed stubs return #RC_UNAVAILABLE in every state. Unloading the library shuts a
 * running instrument down as ExitInstrument() does.
 *
 * \anchor zarvo_settings
 * \par Stored settings and the instrument
 * Setting exports only record the value; the front end (ranges, coupling, DC level, trigger
 * comparators) is programmed when the next acquisition is armed, by ADC_Start() or by a step
 * of the timer-driven measurement. Two settings reach the instrument at once: the sample
 * frequency (SetSampleFrequencyF(), SetSampleFrequency()) and the square-wave generator.
 * Getters read stored values and do not touch the instrument, unless they say otherwise.
 *
 * \anchor zarvo_threads
 * \par Threads and the measurement timer
 * Call every export from the thread that called InitInstrument(). Timer-driven measuring
 * (DoMeasure()) runs one measurement step every 6 ms on that thread: on Windows the steps
 * are window-timer messages, so the thread must dispatch its messages; on Linux the step that
 * is due runs on entry to any export that checks for the instrument, so the application
 * keeps calling one (ADC_Ready(), for instance) while it waits.
 *
 * \anchor zarvo_family
 * \par Functions of the wider instrument family
 * The export set is shared with instruments that have four channels, a function generator,
 * PXI trigger lines, an I2C bus, digital inputs and outputs or ohm measurement. This
 * instrument (the Zarvo and the Pellix) has none of those: their exports answer
 * #RC_GENERATOR_ABSENT or #RC_UNAVAILABLE once it is running, as each export says.
 */
#ifndef ZARVO_H
#define ZARVO_H

#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
/** Calling convention of every export: __stdcall in 32-bit DLL.dll, the default elsewhere. */
#define ZARVO_CALL __stdcall
#else
/** Calling convention of every export: __stdcall in 32-bit DLL.dll, the default elsewhere. */
#define ZARVO_CALL
#endif

#if defined(_WIN32)
/** Marks a function as exported (DLL.dll exports through its module definition). */
#define ZARVO_EXPORT
#else
/** Marks a function as exported from libzarvo.so. */
#define ZARVO_EXPORT __attribute__((visibility("default")))
#endif

/** Declares an export returning \a type. */
#define ZARVO_API(type) ZARVO_EXPORT type ZARVO_CALL

#ifdef __cplusplus
extern "C" {
#endif

/** \name Status codes
 * Single bits, never combined: every status export returns exactly one of them.
 * @{ */
/** Success. */
#define RC_OK 0
/** The library is not Running: never started, no instrument found, or closed
 * (\ref zarvo_lifecycle). Also returned by StartMeasurement() when the instrument stopped
 * answering. What to do: check the cable, power and port set-up, then restart the program. */
#define RC_NO_INSTRUMENT 1
/** No start-up has succeeded in this load of the library (measurement control only). */
#define RC_NOT_INITIALISED 2
/** This instrument lacks the function, source, mode or value (\ref zarvo_family). */
#define RC_UNAVAILABLE 4
/** The generator the call needs is absent (always so for the function generator here). */
#define RC_GENERATOR_ABSENT 8
/** Channel outside 1 .. number of channels (0 is the external input where allowed). */
#define RC_BAD_CHANNEL 16
/** Argument outside its accepted set or range, not a number, or a null pointer. */
#define RC_BAD_VALUE 32
/** @} */

/** Trigger sources (SetTriggerSource(), GetTriggerSource()). This instrument offers
 * #tsCh1, #tsCh2, #tsExternal, #tsAnd, #tsOr and #tsNoTrig. */
enum {
    tsCh1 = 0,        /**< channel 1 */
    tsCh2 = 1,        /**< channel 2 */
    tsCh3 = 2,        /**< channel 3 (four-channel instruments only) */
    tsCh4 = 3,        /**< channel 4 (four-channel instruments only) */
    tsExternal = 4,   /**< the external trigger input */
    tsAnaExt = 5,     /**< analog external input (not on this instrument) */
    tsAnd = 6,        /**< channel 1 and channel 2 at once */
    tsOr = 7,         /**< channel 1 or channel 2 */
    tsXor = 8,        /**< exactly one of the channels (not on this instrument) */
    tsNoTrig = 9,     /**< no trigger: the record starts as soon as it is armed */
    tsNeverTrig = 10, /**< never triggers (no instrument offers it) */
    tsPxiExt = 11,    /**< PXI trigger lines (not on this instrument) */
    tsGenStart = 12,  /**< generator start (not on this instrument) */
    tsGenStop = 13,   /**< generator stop (not on this instrument) */
    tsGenNew = 14,    /**< generator new period (not on this instrument) */
    tsUnknown = 15    /**< no source; refused by SetTriggerSource() */
};

/** Measure modes (SetMeasureMode()): values 1 to 15 are a bit set of channels. This
 * instrument takes #mNone, #mCh1, #mCh2, #mCh12 and #mXY. */
enum {
    mNone = 0,    /**< no channel */
    mCh1 = 1,     /**< channel 1 only; the only mode that runs at double rate (50 MHz) */
    mCh2 = 2,     /**< channel 2 only */
    mCh12 = 3,    /**< channels 1 and 2 (the default) */
    mCh3 = 4,     /**< four-channel instruments only */
    mCh13 = 5,    /**< four-channel instruments only */
    mCh23 = 6,    /**< four-channel instruments only */
    mCh123 = 7,   /**< four-channel instruments only */
    mCh4 = 8,     /**< four-channel instruments only */
    mCh14 = 9,    /**< four-channel instruments only */
    mCh24 = 10,   /**< four-channel instruments only */
    mCh124 = 11,  /**< four-channel instruments only */
    mCh34 = 12,   /**< four-channel instruments only */
    mCh134 = 13,  /**< four-channel instruments only */
    mCh234 = 14,  /**< four-channel instruments only */
    mCh1234 = 15, /**< four-channel instruments only */
    mXY = 16      /**< channels 1 and 2, for an X-Y display */
};

/** Acquisition modes of the timer-driven measurement (chosen through DoMeasure()). */
enum {
    amContinuous = 0, /**< measure record after record: DoMeasure(-1) */
    amHold = 1,       /**< the timer does nothing (after InitInstrument() and a one-shot run) */
    amOneShot = 2     /**< measure once, then hold: DoMeasure() with any other non-zero mode */
};

/** Transfer modes (SetTransferMode(); not selectable on this instrument: always #tmBlock). */
enum {
    tmBlock = 0, /**< ADC_Start() arms one acquisition */
    tmStream = 1 /**< ADC_Start() starts continuous timer-driven measuring */
};

/** \name Lifecycle
 * @{ */

/**
 * Starts the library: looks for the instrument on LPT1, LPT2 and LPT3 (or the simulated
 * one when ZARVO_SIM is set), reads its identity and calibration from its EEPROM, claims its
 * port and programs the defaults. Takes up to a few hundred milliseconds. Afterwards auto
 * ranging is off on every channel and timer-driven measuring holds.
 * \param[in] port parallel-port base address; not used by this instrument (any value,
 *            0 included, behaves the same: the library searches the ports itself).
 * \retval RC_OK Running; also returned at once by a second call while Running.
 * \retval RC_NO_INSTRUMENT no instrument answered, the port-access driver is missing, memory
 *         ran out, or the library was already started once in this load (Closed). A second
 *         call after a failed start returns this at once without searching.
 */
ZARVO_API(uint16_t) InitInstrument(uint32_t port);
/**
 * Stops timer-driven measuring, releases the instrument's port and frees the instance.
 * Harmless when there is nothing to free. After a successful start the library stays Closed
 * until it is unloaded (\ref zarvo_lifecycle).
 * \return #RC_OK always.
 */
ZARVO_API(uint16_t) ExitInstrument(void);
/** @} */

/** \name Measurement control and data
 * Block mode: ADC_Start(), poll ADC_Ready(), then ADC_GetData() and its kin. Timer-driven:
 * DoMeasure(). Whole-record exports write exactly GetRecordLength() elements to each array
 * they are given (nothing when the record length is 0, when a null array is accepted too).
 * @{ */

/**
 * Starts or stops timer-driven measuring (\ref zarvo_threads). The timer arms, waits for the
 * trigger (forcing it after the trigger time-out), reads each record into the library's
 * buffers and re-arms; read them with ADC_GetData() and its kin, which then do not touch the
 * instrument. The library posts no notification when a record is in.
 * \param[in] mode 0 stops the timer; -1 measures continuously (#amContinuous); any other
 *            value measures once and then holds (#amOneShot).
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_NOT_INITIALISED never started in this load (see \ref zarvo_checks).
 * \retval RC_OK otherwise. Only starts or stops the timer; the steps touch the instrument.
 */
ZARVO_API(uint16_t) DoMeasure(int32_t mode);
/**
 * Arms one block-mode acquisition with the current settings: applies a pending auto-range
 * step, programs the front end when settings changed, programs the trigger and starts the
 * run. The next data export reads the record out of the instrument.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_NOT_INITIALISED never started in this load.
 * \retval RC_OK otherwise.
 */
ZARVO_API(uint16_t) ADC_Start(void);
/**
 * Whether a block-mode acquisition armed by ADC_Start() has not been read out yet.
 * Touches only library state.
 * \return 1 armed and not fetched, else 0 (also when not Running).
 */
ZARVO_API(uint16_t) ADC_Running(void);
/**
 * Aborts a block-mode acquisition. The instrument needs no action: the run is simply not
 * read out, and the next ADC_Start() re-arms.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_NOT_INITIALISED never started in this load.
 * \retval RC_OK otherwise.
 */
ZARVO_API(uint16_t) ADC_Abort(void);
/**
 * Reads the trigger bits of the instrument's status register: 2 when channel 1's comparator
 * fired, 4 when channel 2's did. With #tsCh1 only the first bit is read, with #tsCh2 only the
 * second, with every other source both.
 * \return 0, 2, 4 or 6; any non-zero value means triggered. 0 when not Running.
 */
ZARVO_API(uint16_t) ADC_Triggered(void);
/**
 * Reads whether the armed acquisition is complete (the instrument's run-complete bit).
 * \return 1 when the record is ready, else 0 (also when not Running).
 */
ZARVO_API(uint16_t) ADC_Ready(void);
/**
 * Makes the armed acquisition complete now, without waiting for a trigger (the record then
 * holds what the inputs showed from the arm on).
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_NOT_INITIALISED never started in this load.
 * \retval RC_OK otherwise (also when nothing is armed). Touches the instrument.
 */
ZARVO_API(uint16_t) ADC_ForceTrig(void);
/**
 * Copies the current record of channels 1 and 2 as raw samples (0x8000 = 0 V). The first
 * data export after ADC_Start() reads the record out of the instrument (even when
 * ADC_Ready() has not said 1); later calls copy the same record from the library's buffers.
 * \param[out] ch1 array of GetRecordLength() samples for channel 1.
 * \param[out] ch2 array of GetRecordLength() samples for channel 2.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_VALUE an array is null (accepted when the record length is 0).
 * \retval RC_OK the record is copied.
 */
ZARVO_API(uint16_t) ADC_GetData(uint16_t* ch1, uint16_t* ch2);
/**
 * As ADC_GetData(), in volts. When the call reads the record out of the instrument it takes
 * each channel's scale from its range in force then; otherwise it uses the scale last
 * computed (by InitInstrument(), a fetch, SetSensitivity(), GetSensitivity() or the
 * single-call exports). In timer-driven measuring with auto ranging on, call GetSensitivity()
 * for each channel first so that the scale follows the range.
 * \param[out] ch1 array of GetRecordLength() doubles, volts of channel 1.
 * \param[out] ch2 array of GetRecordLength() doubles, volts of channel 2.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_VALUE an array is null (accepted when the record length is 0).
 * \retval RC_OK the record is copied.
 */
ZARVO_API(uint16_t) ADC_GetDataVolt(double* ch1, double* ch2);
/**
 * As ADC_GetData(), for one channel.
 * \param[in] ch channel, 1 or 2.
 * \param[out] data array of GetRecordLength() samples.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_CHANNEL \a ch is not 1 or 2 (checked before any read-out).
 * \retval RC_BAD_VALUE \a data is null (accepted when the record length is 0).
 * \retval RC_OK the record is copied.
 */
ZARVO_API(uint16_t) ADC_GetDataCh(uint16_t ch, uint16_t* data);
/**
 * As ADC_GetDataVolt(), for one channel.
 * \param[in] ch channel, 1 or 2.
 * \param[out] data array of GetRecordLength() doubles, volts.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_CHANNEL \a ch is not 1 or 2.
 * \retval RC_BAD_VALUE \a data is null (accepted when the record length is 0).
 * \retval RC_OK the record is copied.
 */
ZARVO_API(uint16_t) ADC_GetDataVoltCh(uint16_t ch, double* data);
/**
 * Stores a data-ready callback (instruments of the wider family only). The library never
 * calls it.
 * \param[in] callback stored as given.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE always on this instrument.
 */
ZARVO_API(uint16_t) SetDataReadyCallback(void* callback);
/**
 * Stores a data-ready event handle (instruments of the wider family only). The library
 * never signals it.
 * \param[in] event stored as given.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE always on this instrument.
 */
ZARVO_API(uint16_t) SetDataReadyEvent(void* event);
/**
 * Selects block or stream transfer (instruments of the wider family only; this instrument
 * always transfers in blocks).
 * \param[in] mode #tmBlock or #tmStream.
 * \retval RC_NO_INSTRUMENT never started or Closed.
 * \retval RC_UNAVAILABLE on this instrument, checked before the instrument is found: a
 *         failed start answers this too.
 */
ZARVO_API(uint16_t) SetTransferMode(uint8_t mode);
/**
 * Reads the transfer mode (instruments of the wider family only).
 * \param[out] mode the mode, #tmBlock or #tmStream.
 * \retval RC_NO_INSTRUMENT never started or Closed.
 * \retval RC_UNAVAILABLE on this instrument, also after a failed start.
 */
ZARVO_API(uint16_t) GetTransferMode(int32_t* mode);
/**
 * Reads the digital input record (instruments with digital inputs only; none here).
 * \param[out] values array of GetRecordLength() words.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE always on this instrument.
 */
ZARVO_API(uint16_t) GetDigitalInputValues(uint16_t* values);
/**
 * Reads one digital input value (instruments with digital inputs only; none here).
 * \param[in] index sample index; not used.
 * \param[out] value the value.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE always on this instrument.
 */
ZARVO_API(uint16_t) GetOneDigitalValue(int32_t index, uint16_t* value);
/** @} */

/** \name Channel, timebase and configuration
 * Checks as in \ref zarvo_checks; settings are stored (\ref zarvo_settings).
 * @{ */

/**
 * Number of input channels: 2.
 * \param[out] value the count.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_VALUE \a value is null.
 * \retval RC_OK written.
 */
ZARVO_API(uint16_t) GetNrChannels(uint16_t* value);
/**
 * Highest sample frequency of the normal two-channel timebase, in Hz: 25e6. (Channel 1 alone
 * reaches 50e6 at double rate, see SetSampleFrequencyF().)
 * \return the frequency, or 0 when not Running.
 */
ZARVO_API(double) GetMaxSampleFrequencyF(void);
/**
 * As GetMaxSampleFrequencyF(), rounded to whole Hz.
 * \return 25000000, or 0 when not Running.
 */
ZARVO_API(uint32_t) GetMaxSampleFrequency(void);
/**
 * Largest record length in samples per channel: 32760, or 16384 on early instruments.
 * \return the length, or 0 when not Running.
 */
ZARVO_API(int32_t) GetMaxRecordLength(void);
/**
 * Serial number, read from the instrument's EEPROM at start-up.
 * \param[out] value the serial number.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE instrument types without a serial number (none here); 0 is written.
 * \retval RC_BAD_VALUE \a value is null.
 * \retval RC_OK written.
 */
ZARVO_API(uint16_t) GetSerialNumber(int32_t* value);
/**
 * Calibration date, read from the instrument's EEPROM at every call (a bus transfer of a
 * few milliseconds). An invalid stored date reads as 1 January 1980.
 * \param[out] value day of month in bits 31..24, month in bits 23..16, year in bits 15..0.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE instrument types without a calibration date (none here).
 * \retval RC_BAD_VALUE \a value is null.
 * \retval RC_OK written.
 */
ZARVO_API(uint16_t) GetCalibrationDate(uint32_t* value);
/**
 * Whether the DC level can be set (SetDcLevel()); it can on this instrument.
 * \return #RC_NO_INSTRUMENT (not Running), #RC_OK (settable) or #RC_UNAVAILABLE, as a
 *         32-bit value.
 */
ZARVO_API(int32_t) GetDCLevelStatus(void);
/**
 * Lists the input ranges as full-scale volts, largest first: 80, 40, 20, 8, 4, 2, 0.8, 0.4,
 * 0.2, then zeros.
 * \param[out] values array of 20 doubles; all 20 are written.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_VALUE \a values is null.
 * \retval RC_OK written.
 */
ZARVO_API(uint16_t) GetAvailableSensitivities(double* values);
/**
 * Lists the converter resolutions in bits: 8, then zeros.
 * \param[out] values array of 20 doubles; all 20 are written.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_VALUE \a values is null.
 * \retval RC_OK written.
 */
ZARVO_API(uint16_t) GetAvailableResolutions(double* values);
/**
 * Converter resolution in bits: 8.
 * \param[out] value the resolution.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_VALUE \a value is null.
 * \retval RC_OK written.
 */
ZARVO_API(uint16_t) GetResolution(uint8_t* value);
/**
 * Selects a resolution from GetAvailableResolutions(); only 8 bits exist here.
 * \param[in] value bits.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_VALUE not a listed resolution.
 * \retval RC_OK stored.
 */
ZARVO_API(uint16_t) SetResolution(uint8_t value);
/**
 * Reads the measure mode.
 * \param[out] value an #mNone .. #mXY value.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_VALUE \a value is null.
 * \retval RC_OK written.
 */
ZARVO_API(uint16_t) GetMeasureMode(uint8_t* value);
/**
 * Selects the channels to record. A mode with channel 2 ends double rate.
 * \param[in] mode #mNone, #mCh1, #mCh2, #mCh12 or #mXY (#mCh12 after start-up).
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE a mode with channel 3 or 4 (4 .. 15).
 * \retval RC_BAD_VALUE \a mode above 16.
 * \retval RC_OK stored.
 */
ZARVO_API(uint16_t) SetMeasureMode(uint8_t mode);
/**
 * Record length: samples per channel in each record (512 after start-up).
 * \return the length, or 0 when not Running.
 */
ZARVO_API(int32_t) GetRecordLength(void);
/**
 * Sets the record length. The pre-trigger samples become record length minus post-trigger
 * samples, so set the record length before SetPostSamples().
 * \param[in] value samples per channel, 0 .. GetMaxRecordLength().
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_VALUE above GetMaxRecordLength().
 * \retval RC_OK stored.
 */
ZARVO_API(uint16_t) SetRecordLength(uint32_t value);
/**
 * Post-trigger samples: samples recorded from the trigger on (256 after start-up).
 * \return the count, or 0 when not Running.
 */
ZARVO_API(int32_t) GetPostSamples(void);
/**
 * Sets the post-trigger samples; the rest of the record lies before the trigger. Pre-trigger
 * samples are real data only when the trigger comes at least that long after the arm.
 * \param[in] value samples, 0 .. GetRecordLength().
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_VALUE above GetRecordLength().
 * \retval RC_OK stored.
 */
ZARVO_API(uint16_t) SetPostSamples(uint32_t value);
/**
 * Sample frequency in Hz, as achieved (25e6 after start-up).
 * \return the frequency, or 0 when not Running.
 */
ZARVO_API(double) GetSampleFrequencyF(void);
/**
 * Sets the sample frequency and programs the sample clock at once. The instrument makes 25,
 * 12.5 and 5 MHz, 5 MHz divided by 2 .. 65535 below that, and 50 kHz divided by a count for
 * slow rates (slowest about 0.763 Hz; slower requests get it). Above 25 MHz it samples
 * channel 1 with both converters interleaved at 50 MHz (double rate; measure mode #mCh1).
 * \param[in,out] value requested Hz in; the frequency achieved out.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_VALUE \a value is null, or *value is 0, negative or not finite (nothing
 *         changes then).
 * \retval RC_OK programmed.
 */
ZARVO_API(uint16_t) SetSampleFrequencyF(double* value);
/**
 * As GetSampleFrequencyF(), rounded to whole Hz.
 * \return the frequency, or 0 when not Running.
 */
ZARVO_API(uint32_t) GetSampleFrequency(void);
/**
 * As SetSampleFrequencyF(), in whole Hz.
 * \param[in,out] value requested Hz in; the frequency achieved, rounded, out. On a failure
 *                other than a null pointer the request is written back unchanged.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_VALUE \a value is null or *value is 0.
 * \retval RC_OK programmed.
 */
ZARVO_API(uint16_t) SetSampleFrequency(uint32_t* value);
/**
 * Full-scale value of a channel's current range (8 V after start-up; auto ranging may have
 * changed it). Also refreshes the channel's volt scale used by ADC_GetDataVolt().
 * \param[in] ch channel, 1 or 2.
 * \param[out] value volts: the range is -value .. +value.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_CHANNEL \a ch is not 1 or 2.
 * \retval RC_BAD_VALUE \a value is null.
 * \retval RC_OK written.
 */
ZARVO_API(uint16_t) GetSensitivity(uint8_t ch, double* value);
/**
 * Selects the input range nearest to the requested full scale (ties go to the smaller range,
 * requests beyond the table to its end) and refreshes the channel's volt scale.
 * \param[in] ch channel, 1 or 2.
 * \param[in,out] value requested full-scale volts in (any number); the range taken out
 *                (0.2, 0.4, 0.8, 2, 4, 8, 20, 40 or 80).
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_CHANNEL \a ch is not 1 or 2.
 * \retval RC_BAD_VALUE \a value is null or *value is not a number.
 * \retval RC_OK stored.
 */
ZARVO_API(uint16_t) SetSensitivity(uint8_t ch, double* value);
/**
 * Whether auto ranging is on for a channel.
 * \param[in] ch channel, 1 or 2.
 * \param[out] value 1 on, 0 off.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_CHANNEL \a ch is not 1 or 2.
 * \retval RC_BAD_VALUE \a value is null.
 * \retval RC_OK written.
 */
ZARVO_API(uint16_t) GetAutoRanging(uint8_t ch, uint8_t* value);
/**
 * Switches auto ranging of a channel (off after InitInstrument()). When on, each read-out
 * asks for a larger range when the record clipped or a smaller one when it used little of
 * the range; the step is taken at the next arm, one range per record.
 * \param[in] ch channel, 1 or 2.
 * \param[in] value 1 on, 0 off.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_CHANNEL \a ch is not 1 or 2.
 * \retval RC_BAD_VALUE \a value is not 0 or 1.
 * \retval RC_OK stored.
 */
ZARVO_API(uint16_t) SetAutoRanging(uint8_t ch, uint8_t value);
/**
 * Reads a channel's coupling.
 * \param[in] ch channel, 1 or 2.
 * \param[out] value 0 DC, 1 AC.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_CHANNEL \a ch is not 1 or 2.
 * \retval RC_BAD_VALUE \a value is null.
 * \retval RC_OK written.
 */
ZARVO_API(uint16_t) GetCoupling(uint8_t ch, uint8_t* value);
/**
 * Sets a channel's coupling (DC after start-up).
 * \param[in] ch channel, 1 or 2.
 * \param[in] value 0 DC, 1 AC (energises the coupling relay).
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_CHANNEL \a ch is not 1 or 2.
 * \retval RC_BAD_VALUE \a value is not 0 or 1.
 * \retval RC_OK stored.
 */
ZARVO_API(uint16_t) SetCoupling(uint8_t ch, uint8_t value);
/**
 * Reads a channel's DC level.
 * \param[in] ch channel, 1 or 2.
 * \param[out] value volts.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE the DC level is not settable (never here; tested before \a ch).
 * \retval RC_BAD_CHANNEL \a ch is not 1 or 2.
 * \retval RC_BAD_VALUE \a value is null.
 * \retval RC_OK written.
 */
ZARVO_API(uint16_t) GetDcLevel(uint8_t ch, double* value);
/**
 * Sets a channel's DC level: an offset the front end adds to the input before the converter,
 * so that a small signal on a large DC voltage can be viewed on a sensitive range (0 V after
 * start-up). A later range change clamps it to twice the new full scale.
 * \param[in] ch channel, 1 or 2.
 * \param[in] value volts, within twice the current full scale either way.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE the DC level is not settable (never here).
 * \retval RC_BAD_CHANNEL \a ch is not 1 or 2.
 * \retval RC_BAD_VALUE outside -2 .. +2 times the full scale, or not a number.
 * \retval RC_OK stored.
 */
ZARVO_API(uint16_t) SetDcLevel(uint8_t ch, double value);
/**
 * Whether an external sample clock is selected (instruments of the wider family only).
 * \param[out] value 1 external, 0 internal.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE always on this instrument; 0 is written.
 */
ZARVO_API(uint16_t) GetExternalClock(uint16_t* value);
/**
 * Selects an external sample clock (instruments of the wider family only).
 * \param[in] value 1 external, 0 internal.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE always on this instrument; the clock stays internal.
 */
ZARVO_API(uint16_t) SetExternalClock(uint16_t value);
/**
 * Selects a configuration of a configurable instrument type (not this one).
 * \param[in] value configuration 0, 1 or 2.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE always on this instrument.
 */
ZARVO_API(uint16_t) SetInstrumentConfig(uint16_t value);
/**
 * Reads the configuration of a configurable instrument type (not this one).
 * \param[out] value configuration 0, 1 or 2.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE always on this instrument.
 */
ZARVO_API(uint16_t) GetInstrumentConfig(uint16_t* value);
/** @} */

/** \name Trigger
 * Trigger modes, per input: 0 rising edge (the hysteresis band lies below the level), 1
 * falling edge (band above the level), 4 window (only instruments with model code 4), 5
 * level low, 6 level high. Modes 2 and 3 (drop-out) and 7 .. 11 belong to other instruments
 * of the family. Levels and hysteresis are volts on the channel's current range, stored as
 * 8-bit comparator values (128 steps per full scale). Settings are stored (\ref
 * zarvo_settings).
 * @{ */

/**
 * Reads the trigger source.
 * \param[out] value a #tsCh1 .. #tsUnknown value (#tsCh1 after start-up).
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_VALUE \a value is null.
 * \retval RC_OK written.
 */
ZARVO_API(uint16_t) GetTriggerSource(uint8_t* value);
/**
 * Selects the trigger source.
 * \param[in] value #tsCh1, #tsCh2, #tsExternal, #tsAnd, #tsOr or #tsNoTrig on this
 *            instrument.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE a source this instrument lacks (#tsCh3, #tsCh4, #tsAnaExt, #tsXor,
 *         #tsNeverTrig, #tsPxiExt, #tsGenStart, #tsGenStop, #tsGenNew).
 * \retval RC_BAD_VALUE 15 or above.
 * \retval RC_OK stored.
 */
ZARVO_API(uint16_t) SetTriggerSource(uint8_t value);
/**
 * Reads the trigger mode that applies to the current source: channel 1's mode for every
 * channel source (the comparators of both channels follow it), the external input's mode for
 * #tsExternal.
 * \param[out] value the mode, 0 .. 6 (0 or 1 for #tsExternal).
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_VALUE \a value is null, or the stored mode has no code (not checked with
 *         the source #tsNoTrig or later).
 * \retval RC_OK written; with the source #tsNoTrig or later there is no mode and nothing is
 *         written (a null \a value is accepted then).
 */
ZARVO_API(uint16_t) GetTriggerMode(uint8_t* value);
/**
 * Sets the trigger mode of both channels, and of the external input when the mode is 0 or 1.
 * Channels that accept the mode keep it even when another refuses.
 * \param[in] mode trigger mode (see the group description).
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE mode 2, 3 or 7 .. 11, or 4 on instruments without the window mode.
 * \retval RC_BAD_VALUE mode 12 or above.
 * \retval RC_OK stored.
 */
ZARVO_API(uint16_t) SetTriggerMode(uint8_t mode);
/**
 * Reads the trigger mode of one input.
 * \param[in] ch 0 (the external trigger input), 1 or 2.
 * \param[out] value the mode, 0 .. 6.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_CHANNEL \a ch is above 2.
 * \retval RC_BAD_VALUE \a value is null, or the stored mode has no code.
 * \retval RC_OK written.
 */
ZARVO_API(uint16_t) GetTriggerModeCh(uint8_t ch, uint8_t* value);
/**
 * Sets the trigger mode of one input. The instrument's comparators follow channel 1's mode
 * (and, with #tsExternal, the external input's).
 * \param[in] ch 0 (the external trigger input), 1 or 2.
 * \param[in] mode trigger mode (see the group description).
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_CHANNEL \a ch is above 2.
 * \retval RC_UNAVAILABLE mode 2, 3 or 7 .. 11, or 4 on instruments without the window mode.
 * \retval RC_BAD_VALUE mode 12 or above.
 * \retval RC_OK stored.
 */
ZARVO_API(uint16_t) SetTriggerModeCh(uint8_t ch, uint8_t mode);
/**
 * Reads a channel's trigger level, converted with the current range.
 * \param[in] ch channel, 1 or 2.
 * \param[out] value volts (0 V after start-up).
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_CHANNEL \a ch is not 1 or 2.
 * \retval RC_BAD_VALUE \a value is null.
 * \retval RC_OK written.
 */
ZARVO_API(uint16_t) GetTriggerLevel(uint8_t ch, double* value);
/**
 * Sets a channel's trigger level. It is stored as a comparator value relative to the range,
 * so set the range (SetSensitivity()) first: a later range change scales the level with it.
 * \param[in] ch channel, 1 or 2.
 * \param[in] value volts within the full scale, -s .. +s.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_CHANNEL \a ch is not 1 or 2.
 * \retval RC_BAD_VALUE outside the full scale, or not a number.
 * \retval RC_OK stored, rounded to the nearest of 128 steps per full scale.
 */
ZARVO_API(uint16_t) SetTriggerLevel(uint8_t ch, double value);
/**
 * Reads a channel's trigger hysteresis, converted with the current range.
 * \param[in] ch channel, 1 or 2.
 * \param[out] value volts (10/128 of the full scale after start-up).
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_CHANNEL \a ch is not 1 or 2.
 * \retval RC_BAD_VALUE \a value is null.
 * \retval RC_OK written.
 */
ZARVO_API(uint16_t) GetTriggerHys(uint8_t ch, double* value);
/**
 * Sets a channel's trigger hysteresis: how far the signal must be on the far side of the
 * level before an edge counts, which keeps noise from triggering. Judged by channel 1's
 * trigger mode, whichever channel is set.
 * \param[in] ch channel, 1 or 2.
 * \param[in] value volts; mode 0: level - value >= -s; mode 1: level + value <= s (s the
 *            full scale). A negative value gives the widest band.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_CHANNEL \a ch is not 1 or 2.
 * \retval RC_BAD_VALUE the band leaves the range, channel 1's mode is 4 or above, or the
 *         value is not finite.
 * \retval RC_OK stored.
 */
ZARVO_API(uint16_t) SetTriggerHys(uint8_t ch, double value);
/**
 * Trigger time-out in milliseconds (1000 after start-up).
 * \return milliseconds, -1 for no time-out, or 1 when not Running.
 */
ZARVO_API(int32_t) GetTriggerTimeOut(void);
/**
 * Sets how long timer-driven measuring and StartMeasurement() wait for a trigger before
 * forcing one. The wait is counted in timer steps, value / 50 + 1 of them (rounded), and a
 * step comes every 6 ms, so the real wait is about an eighth of the value (1000 ms: about
 * 0.13 s). A time-out shorter than one sample period arms without a trigger. Block mode
 * (ADC_Start()) never forces by itself.
 * \param[in] value milliseconds; 0xFFFFFFFF (-1) waits for ever.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_OK stored.
 */
ZARVO_API(uint16_t) SetTriggerTimeOut(uint32_t value);
/**
 * Reads the PXI trigger slopes (PXI instruments only).
 * \param[out] value slope bits.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE always on this instrument.
 */
ZARVO_API(uint16_t) GetPXITriggerSlopes(uint8_t* value);
/**
 * Sets the PXI trigger slopes (PXI instruments only).
 * \param[in] value slope bits.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE always on this instrument.
 */
ZARVO_API(uint16_t) SetPXITriggerSlopes(uint8_t value);
/**
 * Reads the PXI trigger enables (PXI instruments only).
 * \param[out] value enable bits.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE always on this instrument.
 */
ZARVO_API(uint16_t) GetPXITriggerEnables(uint8_t* value);
/**
 * Sets the PXI trigger enables (PXI instruments only).
 * \param[in] value enable bits.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE always on this instrument.
 */
ZARVO_API(uint16_t) SetPXITriggerEnables(uint8_t value);
/** @} */

/** \name Single-call measurement
 * StartMeasurement() measures once and waits; the others read the library's buffers
 * (whatever came last: this, a block-mode fetch or a timer read-out) without touching the
 * instrument. Volts use the ranges in force at the call.
 * @{ */

/**
 * Runs one complete measurement with the current settings and returns when its record is
 * in the library's buffers. Blocks: until the trigger, or the trigger time-out (for ever
 * with -1), plus the record. It needs no message loop.
 * \retval RC_NO_INSTRUMENT not Running (returned at once), or the instrument never reported
 *         its run complete (it gave up after the time-out, the record's duration and one
 *         second; the previous record stays).
 * \retval RC_NOT_INITIALISED never started in this load.
 * \retval RC_OK the record is in.
 */
ZARVO_API(uint16_t) StartMeasurement(void);
/**
 * Copies the last record of both channels in volts.
 * \param[out] ch1 array of GetRecordLength() doubles for channel 1.
 * \param[out] ch2 array of GetRecordLength() doubles for channel 2.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_VALUE an array is null (accepted when the record length is 0).
 * \retval RC_OK copied.
 */
ZARVO_API(uint16_t) GetMeasurement(double* ch1, double* ch2);
/**
 * One sample of both channels in volts.
 * \param[in] index sample, 0 .. GetRecordLength() - 1.
 * \param[out] ch1 volts of channel 1.
 * \param[out] ch2 volts of channel 2.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_VALUE \a index outside the record, or a pointer is null.
 * \retval RC_OK written.
 */
ZARVO_API(uint16_t) GetOneMeasurement(int32_t index, double* ch1, double* ch2);
/**
 * Copies the last record of both channels as raw samples (0x8000 = 0 V).
 * \param[out] ch1 array of GetRecordLength() samples for channel 1.
 * \param[out] ch2 array of GetRecordLength() samples for channel 2.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_VALUE an array is null (accepted when the record length is 0).
 * \retval RC_OK copied.
 */
ZARVO_API(uint16_t) GetMeasurementRaw(uint16_t* ch1, uint16_t* ch2);
/**
 * One raw sample of both channels.
 * \param[in] index sample, 0 .. GetRecordLength() - 1.
 * \param[out] ch1 raw sample of channel 1.
 * \param[out] ch2 raw sample of channel 2.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_VALUE \a index outside the record, or a pointer is null.
 * \retval RC_OK written.
 */
ZARVO_API(uint16_t) GetOneMeasurementRaw(int32_t index, uint16_t* ch1, uint16_t* ch2);
/**
 * One raw sample of one channel.
 * \param[in] ch channel, 1 or 2.
 * \param[in] index sample, 0 .. GetRecordLength() - 1.
 * \param[out] value the raw sample.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_CHANNEL \a ch is not 1 or 2.
 * \retval RC_BAD_VALUE \a index outside the record, or \a value is null.
 * \retval RC_OK written.
 */
ZARVO_API(uint16_t) GetOneMeasurementRawCh(uint16_t ch, int32_t index, uint16_t* value);
/** @} */

/** \name Square-wave generator
 * A square wave of 0 V low and about 1 V high on the instrument's generator output, a
 * divider of 5 MHz.
 * @{ */

/**
 * Whether the square-wave generator is present; it is on this instrument.
 * \return #RC_NO_INSTRUMENT (not Running), #RC_OK (present) or #RC_GENERATOR_ABSENT.
 */
ZARVO_API(uint16_t) GetSquareWaveGenStatus(void);
/**
 * The frequency last achieved by SetSquareWaveGenFrequency(), in Hz; 0 when the output is
 * off or was never set. Needs no instrument: kept by the library in every state (also
 * after ExitInstrument()).
 * \return Hz.
 */
ZARVO_API(int32_t) GetSquareWaveGenFrequency(void);
/**
 * Programs the square-wave output at once.
 * \param[in,out] value Hz in: 0 switches the output off, others are limited to 100 ..
 *                100000 and made as 5 MHz divided by a whole number; the frequency
 *                achieved, rounded, out.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_GENERATOR_ABSENT no square-wave generator (never here).
 * \retval RC_BAD_VALUE \a value is null.
 * \retval RC_OK programmed.
 */
ZARVO_API(uint16_t) SetSquareWaveGenFrequency(uint32_t* value);
/** @} */

/** \name Function generator (absent on the instruments this library drives)
 * Every one of these answers #RC_NO_INSTRUMENT when not Running and #RC_GENERATOR_ABSENT
 * (SetFuncGenEnable(): #RC_UNAVAILABLE) when Running. On instruments of
 * the family that have one, they store settings; nothing here drives generator hardware.
 * @{ */

/**
 * Whether a function generator is present.
 * \return #RC_NO_INSTRUMENT (not Running), #RC_OK (present) or #RC_GENERATOR_ABSENT (here).
 */
ZARVO_API(uint16_t) GetFunctionGenStatus(void);
/**
 * Largest generator amplitude.
 * \param[out] value volts.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_GENERATOR_ABSENT always on this instrument.
 */
ZARVO_API(uint16_t) GetFuncGenMaxAmplitude(double* value);
/**
 * Sets the generator's signal type.
 * \param[in] value type code 0 .. 5.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_GENERATOR_ABSENT always on this instrument.
 */
ZARVO_API(uint16_t) SetFuncGenSignalType(uint16_t value);
/**
 * Reads the generator's signal type.
 * \param[out] value type code 0 .. 5.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_GENERATOR_ABSENT always on this instrument.
 */
ZARVO_API(uint16_t) GetFuncGenSignalType(uint16_t* value);
/**
 * Sets the generator amplitude.
 * \param[in] value volts, within the largest amplitude either way.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_GENERATOR_ABSENT always on this instrument.
 */
ZARVO_API(uint16_t) SetFuncGenAmplitude(double value);
/**
 * Reads the generator amplitude.
 * \param[out] value volts.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_GENERATOR_ABSENT always on this instrument.
 */
ZARVO_API(uint16_t) GetFuncGenAmplitude(double* value);
/**
 * Sets the generator DC offset.
 * \param[in] value volts, within the largest amplitude either way.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_GENERATOR_ABSENT always on this instrument.
 */
ZARVO_API(uint16_t) SetFuncGenDCOffset(double value);
/**
 * Reads the generator DC offset.
 * \param[out] value volts.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_GENERATOR_ABSENT always on this instrument.
 */
ZARVO_API(uint16_t) GetFuncGenDCOffset(double* value);
/**
 * Sets the generator symmetry.
 * \param[in] value percent, 0 .. 100.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_GENERATOR_ABSENT always on this instrument.
 */
ZARVO_API(uint16_t) SetFuncGenSymmetry(double value);
/**
 * Reads the generator symmetry.
 * \param[out] value percent.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_GENERATOR_ABSENT always on this instrument.
 */
ZARVO_API(uint16_t) GetFuncGenSymmetry(double* value);
/**
 * Sets the generator frequency.
 * \param[in,out] value Hz in, above 0; the frequency stored out.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_GENERATOR_ABSENT always on this instrument.
 */
ZARVO_API(uint16_t) SetFuncGenFrequency(double* value);
/**
 * Reads the generator frequency.
 * \param[out] value Hz.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_GENERATOR_ABSENT always on this instrument.
 */
ZARVO_API(uint16_t) GetFuncGenFrequency(double* value);
/**
 * Switches the generator output.
 * \param[in] value 1 on, 0 off.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_GENERATOR_ABSENT always on this instrument.
 */
ZARVO_API(uint16_t) SetFuncGenOutputOn(uint16_t value);
/**
 * Reads whether the generator output is on.
 * \param[out] value 1 on, 0 off; 0 is written before any check, so it is 0 after a failure.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_GENERATOR_ABSENT always on this instrument.
 */
ZARVO_API(uint16_t) GetFuncGenOutputOn(uint16_t* value);
/**
 * Enables the generator of a configurable instrument type.
 * \param[in] value 1 enabled, 0 disabled.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE always on this instrument (tested before the generator).
 */
ZARVO_API(uint16_t) SetFuncGenEnable(uint16_t value);
/**
 * Reads whether the generator of a configurable instrument type is enabled.
 * \param[out] value 1 enabled, 0 disabled; 0 is written before any check.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_GENERATOR_ABSENT always on this instrument (tested before the type).
 */
ZARVO_API(uint16_t) GetFuncGenEnable(uint16_t* value);
/**
 * Loads the generator's waveform memory.
 * \param[in] count number of points.
 * \param[in] data the points, in the generator's own format; not read here.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_GENERATOR_ABSENT always on this instrument.
 */
ZARVO_API(uint16_t) FillFuncGenMemory(int32_t count, void* data);
/**
 * Starts a generator burst (instruments with burst generators only).
 * \param[in] value number of periods.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE always on this instrument.
 */
ZARVO_API(uint16_t) FuncGenBurst(uint16_t value);
/**
 * Selects what starts the generator (instruments with that choice only).
 * \param[in] value #tsExternal or #tsNoTrig.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE always on this instrument.
 */
ZARVO_API(uint16_t) SetFuncGenTrigSource(uint8_t value);
/**
 * Reads what starts the generator (instruments with that choice only).
 * \param[out] value #tsExternal or #tsNoTrig.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE always on this instrument.
 */
ZARVO_API(uint16_t) GetFuncGenTrigSource(uint8_t* value);
/** @} */

/** \name Digital outputs, ohm measurement, I2C: not available on these instruments
 * The arguments are not read.
 * @{ */

/**
 * Sets the digital outputs (instruments with digital outputs only).
 * \param[in] value output bits.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE always on this instrument.
 */
ZARVO_API(uint16_t) SetDigitalOutputs(uint32_t value);
/**
 * Reads the digital outputs (instruments with digital outputs only); never written.
 * \param[out] value output bits.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE always on this instrument.
 */
ZARVO_API(uint16_t) GetDigitalOutputs(uint32_t* value);
/**
 * Prepares ohm measurements (the ohm-measuring instrument type only).
 * \param[in] value set-up word.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE always on this instrument.
 */
ZARVO_API(uint16_t) SetupOhmMeasurements(uint32_t value);
/**
 * I2C write (no instrument here has an I2C bus).
 * \param[in] address device address.
 * \param[in] data bytes to write.
 * \param[in] length number of bytes.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE otherwise.
 */
ZARVO_API(uint16_t) I2CWrite(uint32_t address, void* data, uint32_t length);
/**
 * I2C read (no instrument here has an I2C bus).
 * \param[in] address device address.
 * \param[out] data room for the bytes; never written.
 * \param[in] length number of bytes.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE otherwise.
 */
ZARVO_API(uint16_t) I2CRead(uint32_t address, void* data, uint32_t length);
/**
 * I2C write without a stop condition (no instrument here has an I2C bus).
 * \param[in] address device address.
 * \param[in] data bytes to write.
 * \param[in] length number of bytes.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE otherwise.
 */
ZARVO_API(uint16_t) I2CWriteNoStop(uint32_t address, void* data, uint32_t length);
/**
 * I2C read without a stop condition (no instrument here has an I2C bus).
 * \param[in] address device address.
 * \param[out] data room for the bytes; never written.
 * \param[in] length number of bytes.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE otherwise.
 */
ZARVO_API(uint16_t) I2CReadNoStop(uint32_t address, void* data, uint32_t length);
/**
 * Sets the I2C clock (no instrument here has an I2C bus).
 * \param[in] speed clock rate.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE otherwise.
 */
ZARVO_API(uint16_t) I2CSetSpeed(uint32_t speed);
/**
 * Reads the I2C clock (no instrument here has an I2C bus).
 * \param[out] speed clock rate; never written.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE otherwise.
 */
ZARVO_API(uint16_t) I2CGetSpeed(uint32_t* speed);
/** @} */

/** \name Functions of the wider instrument family: always RC_UNAVAILABLE
 * Fixed answers in every lifecycle state, before InitInstrument() too: no check, nothing
 * read or written, the instrument untouched. Each keeps its argument list, so that under
 * stdcall it removes exactly its arguments from the caller's stack.
 * @{ */

/**
 * Ohm values (not implemented).
 * \param[out] values1 never written.
 * \param[out] values2 never written.
 * \return #RC_UNAVAILABLE.
 */
ZARVO_API(uint16_t) GetOhmValues(void* values1, void* values2);
/**
 * Active multiplexer input (not implemented).
 * \param[out] value never written.
 * \return #RC_UNAVAILABLE.
 */
ZARVO_API(uint16_t) GetActiveMirdo(void* value);
/**
 * Active multiplexer input (not implemented).
 * \param[in] value not read.
 * \return #RC_UNAVAILABLE.
 */
ZARVO_API(uint16_t) SetActiveMirdo(uint32_t value);
/**
 * Auxiliary DAC (not implemented).
 * \param[in] a not read.
 * \param[in] b not read.
 * \param[in] c not read.
 * \param[in] d not read.
 * \return #RC_UNAVAILABLE.
 */
ZARVO_API(uint16_t) SetDAC1451(uint32_t a, uint32_t b, uint32_t c, uint32_t d);
/**
 * Motor output (not implemented).
 * \param[in] a not read.
 * \param[in] b not read.
 * \return #RC_UNAVAILABLE.
 */
ZARVO_API(uint16_t) SetMotorOn(uint32_t a, uint32_t b);
/**
 * Function generator mode (not implemented).
 * \param[in] value not read.
 * \return #RC_UNAVAILABLE.
 */
ZARVO_API(uint16_t) SetFuncGenMode(uint32_t value);
/**
 * Function generator mode (not implemented).
 * \param[out] value never written.
 * \return #RC_UNAVAILABLE.
 */
ZARVO_API(uint16_t) GetFuncGenMode(void* value);
/**
 * Function generator amplitude range (not implemented).
 * \param[in] value not read.
 * \return #RC_UNAVAILABLE.
 */
ZARVO_API(uint16_t) SetFuncGenAmplitudeRange(uint32_t value);
/**
 * Function generator amplitude range (not implemented).
 * \param[out] value never written.
 * \return #RC_UNAVAILABLE.
 */
ZARVO_API(uint16_t) GetFuncGenAmplitudeRange(void* value);
/** @} */

#ifdef __cplusplus
}
#endif

#endif /* ZARVO_H */
