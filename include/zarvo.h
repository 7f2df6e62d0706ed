// SPDX-License-Identifier: MIT
/**
 * \file zarvo.h
 * \brief Zarvo PC oscilloscope driver: the exported interface.
 *
 * Every export works on one process-wide instrument. Call InitInstrument() first, then set
 * channels, timebase and trigger, start acquisitions and read samples back; ExitInstrument()
 * releases the instrument. Exports returning a status return one of the \ref status
 * "status codes". The rules every export follows are on the \ref index "main page", the
 * exports themselves on a page per family (\ref lifecycle, \ref measurement,
 * \ref single_call, \ref channel, \ref trigger, \ref square_wave, \ref function_generator,
 * \ref auxiliary, \ref stubs), and what each model can do on \ref models.
 *
 * On 32-bit Windows the library is DLL.dll and every export uses __stdcall; elsewhere it is
 * libzarvo.so with the platform's default calling convention. The header is plain C.
 */

/**
 * \mainpage Zarvo driver library
 *
 * The C interface of the Zarvo PC oscilloscopes: the 115 exports of DLL.dll (32-bit Windows)
 * and libzarvo.so (Linux), declared in zarvo.h. Every export works on one process-wide
 * instrument: InitInstrument() starts it, the setting exports choose ranges, timebase and
 * trigger, the measurement exports take records and hand back their samples, and
 * ExitInstrument() releases the instrument. The programming guide (docs/guide.md in the
 * source tree) walks through all of it with programs that CI builds and runs on the
 * simulated instrument; the examples on these pages are cut from the same programs.
 *
 * The exports, a page per family:
 * - \ref lifecycle (InitInstrument(), ExitInstrument()).
 * - \ref measurement (block mode: ADC_Start(), ADC_Ready(), ADC_ForceTrig(), ADC_GetData()
 *   and its kin; timer-driven measuring: DoMeasure()).
 * - \ref single_call (StartMeasurement() and the exports that read its record).
 * - \ref channel (ranges, coupling, DC level, auto ranging, measure mode, record length,
 *   post-trigger samples, sample rate, identity and limits).
 * - \ref trigger (source, mode, level, hysteresis and time-out).
 * - \ref square_wave (the instrument's square-wave output).
 * - \ref function_generator, \ref auxiliary and \ref stubs (functions of the wider
 *   instrument family that this instrument does not have).
 * - \ref status (what every status export returns).
 *
 * What the two models (the Zarvo and the Pellix) can do, the sample rates the clock really
 * makes, where the trigger point lies in a record and what happens when block mode and
 * timer-driven measuring are mixed: \ref models.
 *
 * \section zarvo_volts Samples and volts
 * A raw sample is a 16-bit unsigned word: the 8-bit converter value in the high byte (the low
 * byte is 0), 0x8000 at 0 V, 0x0000 at minus full scale and 0xFF00 one converter step (full
 * scale / 128) below plus full scale: volts = (sample - 32768) * full scale / 32768, with the
 * channel's range as full scale (GetSensitivity()). The DC level of the channel
 * (SetDcLevel()) is part of what the converter sees: a record shows input plus DC level, in
 * raw samples and in volts alike.
 *
 * The volt exports (ADC_GetDataVolt(), ADC_GetDataVoltCh(), GetMeasurement(),
 * GetOneMeasurement()) convert each channel with the range its record was taken with (full
 * scale / 32768), in every way of measuring: the range in force when the run was armed, even
 * when auto ranging or the application changed the range since. (Before the first record of
 * a channel they use its current range.) So to convert raw samples yourself, use the range
 * that was in force for that record, not GetSensitivity() after it. A channel the measure
 * mode did not record keeps its older samples and their range. Example (single_call.c): one
 * record, raw and in volts, and the conversion made by hand:
 * \include single_call.c
 *
 * \section zarvo_checks Standard order of checks
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
 * \section zarvo_lifecycle Lifecycle states
 * The library is in one of four states; only Running passes the instrument guard.
 * - Never started: loaded, InitInstrument() not called yet (or ExitInstrument() after a
 *   failed start, or an InitInstrument() that ran out of memory). Guarded exports return
 *   #RC_NO_INSTRUMENT.
 * - Running: InitInstrument() found the instrument. Every export works.
 * - Failed start: InitInstrument() found no instrument. Guarded exports return
 *   #RC_NO_INSTRUMENT (SetTransferMode() and GetTransferMode() #RC_UNAVAILABLE);
 *   InitInstrument() answers #RC_NO_INSTRUMENT again without searching; ExitInstrument()
 *   returns to Never started, so a new InitInstrument() searches again.
 * - Closed: ExitInstrument() after Running. Guarded exports return #RC_NO_INSTRUMENT and
 *   InitInstrument() does not start the instrument again (it returns #RC_NO_INSTRUMENT) until
 *   the library is unloaded and loaded again: the instrument can be started once per load.
 *   That refused InitInstrument() leaves an instance that never finds the instrument, as a
 *   failed start does: from then on SetTransferMode() and GetTransferMode() answer
 *   #RC_UNAVAILABLE, every other guarded export still #RC_NO_INSTRUMENT.
 * .
 * Outside Running the exports that return a value instead of a status return 0 (except
 * GetTriggerTimeOut(), which returns 1, and GetSquareWaveGenFrequency(), which keeps its
 * value), and the polling exports ADC_Running(), ADC_Triggered() and ADC_Ready() return 0.
 * The fixed stubs return #RC_UNAVAILABLE in every state. Unloading the library shuts a
 * running instrument down as ExitInstrument() does.
 *
 * \section zarvo_settings Stored settings and the instrument
 * Setting exports only record the value; the front end (ranges, coupling, DC level, measure
 * mode, trigger comparators) is programmed when the next acquisition is armed, by ADC_Start(),
 * by a step of the timer-driven measurement or by StartMeasurement(). A run already armed is
 * read out as it was armed (interleaved or not, the channels and ranges it was armed with):
 * a change of settings applies from the next arm. Under timer-driven measuring a change of any
 * setting (rate, record length, post-trigger samples, range, mode, trigger...) abandons the
 * run armed with the old ones and the next step arms again, so the first record read out
 * after the change has the new settings. StartMeasurement() always arms its own run. Two settings reach the instrument
 * at once: the sample clock (SetSampleFrequencyF(), SetSampleFrequency(); double rate only at
 * the next arm, and every arm programs the clock again) and the square-wave generator.
 * Getters read stored values and do not touch the instrument, unless they say otherwise.
 *
 * \section zarvo_threads Threads and the measurement timer
 * Call every export from the thread that called InitInstrument(). Timer-driven measuring
 * (DoMeasure()) runs one measurement step every 6 ms on that thread: on Windows the steps
 * are window-timer messages, so the thread must dispatch its messages; on Linux there is no
 * message loop, and the step that is due runs on entry to an export (to every export except
 * ExitInstrument(), GetSquareWaveGenFrequency() and the fixed stubs, at most one step per
 * call; InitInstrument() runs it only when called again while Running, since a first call
 * has no timer yet), so the application keeps calling one (ADC_Ready(), for instance) while
 * it waits. Such a step may arm, force a trigger or read a record out of the
 * instrument, whichever export it runs in.
 *
 * \section zarvo_family Functions of the wider instrument family
 * The export set is shared with instruments that have four channels, a function generator,
 * PXI trigger lines, an I2C bus, digital inputs and outputs or ohm measurement. This
 * instrument (the Zarvo and the Pellix) has none of those: their exports answer
 * #RC_GENERATOR_ABSENT or #RC_UNAVAILABLE once it is running, as each export says.
 */

/* The tables' rows must stay one line each. */
/* clang-format off */
/**
 * \page models What each model can do
 *
 * The library drives two models with the same code, told apart at InitInstrument() by the
 * model code in the instrument's EEPROM: the Zarvo and the Pellix. They differ only in the
 * longest record and in trigger mode 4; no export names the model, GetMaxRecordLength() and
 * SetTriggerMode() show the differences.
 *
 * \section models_zarvo Zarvo (model code 2, 3, 4 or any other code but 1)
 * | What | Zarvo |
 * |---|---|
 * | Channels | 2 (GetNrChannels()) |
 * | Input ranges | full scale 0.2, 0.4, 0.8, 2, 4, 8, 20, 40 and 80 V, the range being -full scale .. +full scale (GetAvailableSensitivities()); 8 V after start-up; a request takes the nearest range, a tie the smaller (SetSensitivity()) |
 * | DC level | within twice the full scale either way (SetDcLevel()) |
 * | Converter | 8 bits per channel: one step is full scale / 128 (\ref zarvo_volts) |
 * | Sample rates | 25 MHz at most; 50 MHz on channel 1 alone (measure mode #mCh1); every rate made is in \ref models_rates |
 * | Record length | 0 .. 16384 samples per channel with model code 2, 0 .. 32760 with every other code (GetMaxRecordLength()); 512 after start-up |
 * | Post-trigger samples | 0 .. the record length (SetPostSamples()); 256 after start-up |
 * | Trigger point | sample GetRecordLength() - GetPostSamples() of the record (\ref models_index) |
 * | Trigger sources | #tsCh1, #tsCh2, #tsExternal, #tsAnd, #tsOr, #tsNoTrig (SetTriggerSource()) |
 * | Trigger modes | 0 and 1 (edges), 5 and 6; 4 only with model code 4 (\ref trigger) |
 * | Square-wave output | 100 Hz .. 100 kHz, 5 MHz divided by a whole number (SetSquareWaveGenFrequency()) |
 * | Block mode and timer-driven measuring | one at a time (\ref models_mixing) |
 *
 * \section models_pellix Pellix (model code 1)
 * | What | Pellix |
 * |---|---|
 * | Channels | 2 (GetNrChannels()) |
 * | Input ranges | full scale 0.2, 0.4, 0.8, 2, 4, 8, 20, 40 and 80 V, the range being -full scale .. +full scale (GetAvailableSensitivities()); 8 V after start-up; a request takes the nearest range, a tie the smaller (SetSensitivity()) |
 * | DC level | within twice the full scale either way (SetDcLevel()) |
 * | Converter | 8 bits per channel: one step is full scale / 128 (\ref zarvo_volts) |
 * | Sample rates | 25 MHz at most; 50 MHz on channel 1 alone (measure mode #mCh1); every rate made is in \ref models_rates |
 * | Record length | 0 .. 16384 samples per channel with serial numbers up to 6426, 0 .. 32760 above (GetMaxRecordLength()); 512 after start-up |
 * | Post-trigger samples | 0 .. the record length (SetPostSamples()); 256 after start-up |
 * | Trigger point | sample GetRecordLength() - GetPostSamples() of the record (\ref models_index) |
 * | Trigger sources | #tsCh1, #tsCh2, #tsExternal, #tsAnd, #tsOr, #tsNoTrig (SetTriggerSource()) |
 * | Trigger modes | 0 and 1 (edges), 5 and 6 (\ref trigger); never 4 |
 * | Square-wave output | 100 Hz .. 100 kHz, 5 MHz divided by a whole number (SetSquareWaveGenFrequency()) |
 * | Block mode and timer-driven measuring | one at a time (\ref models_mixing) |
 *
 * \section models_rates How a requested sample rate becomes the one written back
 * SetSampleFrequencyF() (and SetSampleFrequency(), in whole Hz) programs the clock at once and
 * writes back the rate it makes; the same on both models:
 * | Rate f asked for, Hz | Rate made, Hz |
 * |---|---|
 * | f > 25e6, measure mode #mCh1 | 50e6: both converters take channel 1, interleaved (double rate) |
 * | f > 25e6, any other measure mode | 25e6 |
 * | 12.5e6 < f <= 25e6 | 25e6 |
 * | 5e6 < f <= 12.5e6 | 12.5e6 |
 * | 2.5e6 < f <= 5e6 | 5e6 |
 * | 80 <= f <= 2.5e6 | 5e6 / N, with N = 5e6 / f rounded to the nearest whole number (halves to even): 300e3 gives 294117.6 (N = 17) |
 * | 50e3 / 65535 < f < 80 | 50e3 / N, with N = 50e3 / f rounded likewise: 79.99 gives 80, 10 gives 10 |
 * | 0 < f <= 50e3 / 65535 | 50e3 / 65535, about 0.763, the slowest rate |
 * | 0, negative, not a number, infinite | refused with #RC_BAD_VALUE; nothing changes |
 *
 * Double rate lasts only while the measure mode is #mCh1: selecting any other mode ends it
 * (the rate then reads 25e6), and a request above 25e6 in another mode gives 25e6. So select
 * #mCh1 first, then ask for the rate. A request equal to the last one taken as asked (a rate
 * the clock makes exactly, or a double-rate request) changes nothing: after leaving #mCh1 and
 * selecting it again, asking for the same 30e6 as before gives 25e6, while asking for 50e6
 * gives 50e6.
 *
 * \section models_index Where the trigger point lies in the record
 * The instrument takes the post-trigger samples (GetPostSamples()) from the trigger point
 * on; the rest of the record lies before it. In the record the trigger point is sample
 * GetRecordLength() - GetPostSamples() (to within a sample): sample 0 when the post-trigger
 * count equals the record length, so that the record opens at the trigger. A forced trigger
 * (ADC_ForceTrig(), or the trigger time-out of timer-driven and single-call measuring) puts
 * the trigger point at the force. The pre-trigger samples are real data only when the trigger
 * came at least that many sample periods after the arm; before that the memory holds older
 * samples. A post-trigger count above the record length (left by SetRecordLength() with a
 * smaller length after SetPostSamples()) makes the index negative: the record then starts
 * that many samples after the trigger point. The instrument counts the post-trigger samples
 * it was armed with: a record already read out keeps its trigger point when the record length
 * or the post-trigger samples change afterwards, and a run armed before such a change and
 * read out after it has its trigger point at the new record length minus the post-trigger
 * count of the arm. So compute the index from the post-trigger count in force at the arm,
 * not from the one read back later.
 *
 * \section models_mixing Block mode and timer-driven measuring at once
 * Block mode (ADC_Start(), then a data export) and timer-driven measuring (DoMeasure()) drive
 * the same instrument and fill the same buffers: use one at a time.
 * - ADC_Start() while the timer measures arms the instrument anew; the timer's next step
 *   takes that run as its own record and arms the next. ADC_Ready() then answers for
 *   whichever run is armed, ADC_Running() stays 1, and the first data export still reads the
 *   instrument out, stopping the run the timer armed: the record it returns is not
 *   necessarily the one ADC_Start() armed (on the simulated instrument it now and then is no
 *   valid record at all).
 * - DoMeasure() while a run of ADC_Start() is unread: the timer arms its own runs over it,
 *   and the first data export still reads the instrument out, with the same effect.
 * .
 * So stop the timer (DoMeasure(0)) before ADC_Start(), and read a block-mode run out (any
 * data export) before DoMeasure().
 */
/* clang-format on */
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

/** \defgroup status Status codes
 * Single bits, never combined: every status export returns exactly one of them, after the
 * checks of the \ref zarvo_checks "standard order". What each means for an application, and
 * what to do about it, is in the programming guide's table of errors.
 * @{ */
/** Success. */
#define RC_OK 0
/** The library is not Running: never started, no instrument found, or closed
 * (\ref zarvo_lifecycle "lifecycle states"). Also returned while Running by StartMeasurement()
 * and by the data exports that read a record out of the instrument (ADC_GetData() and its
 * kin) when the instrument stopped answering: the port reads as one with nothing attached, or
 * the instrument never ended the read-out. No record is then taken; the previous one stays.
 * What to do: check the cable, power and port set-up, then restart the program (the library
 * stays Running but does not set up an instrument that comes back). */
#define RC_NO_INSTRUMENT 1
/** No start-up has succeeded in this load of the library (measurement control only). */
#define RC_NOT_INITIALISED 2
/** This instrument lacks the function, source, mode or value
 * (\ref zarvo_family "functions of the wider instrument family"). */
#define RC_UNAVAILABLE 4
/** The generator the call needs is absent (always so for the function generator here). */
#define RC_GENERATOR_ABSENT 8
/** Channel outside 1 .. number of channels (0 is the external input where allowed). */
#define RC_BAD_CHANNEL 16
/** Argument outside its accepted set or range, not a number, or a null pointer. */
#define RC_BAD_VALUE 32
/** @} */

/** Trigger sources (SetTriggerSource(), GetTriggerSource()). This instrument offers
 * #tsCh1, #tsCh2, #tsExternal, #tsAnd, #tsOr and #tsNoTrig.
 * \ingroup trigger */
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
    tsNoTrig = 9,     /**< no trigger: the trigger point is the arm */
    tsNeverTrig = 10, /**< never triggers (no instrument offers it) */
    tsPxiExt = 11,    /**< PXI trigger lines (not on this instrument) */
    tsGenStart = 12,  /**< generator start (not on this instrument) */
    tsGenStop = 13,   /**< generator stop (not on this instrument) */
    tsGenNew = 14,    /**< generator new period (not on this instrument) */
    tsUnknown = 15    /**< no source; refused by SetTriggerSource() */
};

/** Measure modes (SetMeasureMode()): values 1 to 15 are a bit set of channels. This
 * instrument takes #mNone, #mCh1, #mCh2, #mCh12 and #mXY.
 * \ingroup channel */
enum {
    mNone = 0,    /**< no channel */
    mCh1 = 1,     /**< channel 1 only; the only mode with double rate (50 MHz) */
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

/** Acquisition modes of the timer-driven measurement (chosen through DoMeasure()).
 * \ingroup measurement */
enum {
    amContinuous = 0, /**< measure record after record: DoMeasure(-1) */
    amHold = 1,       /**< the timer does nothing (after InitInstrument() and a one-shot run) */
    amOneShot = 2     /**< measure once, then hold: DoMeasure() with any other non-zero mode */
};

/** Transfer modes (SetTransferMode(); not selectable on this instrument: always #tmBlock).
 * \ingroup measurement */
enum {
    tmBlock = 0, /**< ADC_Start() arms one acquisition */
    tmStream = 1 /**< ADC_Start() starts continuous timer-driven measuring */
};

/** \defgroup lifecycle Lifecycle
 * InitInstrument() starts the library on the instrument, ExitInstrument() releases it; the
 * library can be started once per load (\ref zarvo_lifecycle "lifecycle states"). Example
 * (start_stop.c): start, read the identity and limits, stop.
 * \include start_stop.c
 * @{ */

/**
 * Starts the library: looks for the instrument on LPT1, LPT2 and LPT3 (or the simulated
 * one when ZARVO_SIM is set), reads its identity and calibration from its EEPROM, claims its
 * port and programs the defaults. Takes a few hundred milliseconds (about 0.4 s on the
 * simulated instrument); on the NT family of Windows up to about 1 s more, for the discovery
 * of the parallel ports (up to ten port probes of 100 ms each).
 * Afterwards auto ranging is off on every channel and timer-driven measuring holds.
 * \param[in] port parallel-port base address; not used by this instrument (any value,
 *            0 included, behaves the same: the library searches the ports itself).
 * \retval RC_OK Running; also returned at once by a second call while Running.
 * \retval RC_NO_INSTRUMENT no instrument answered, the port-access driver is missing, memory
 *         ran out, or the library was already started once in this load (Closed). A second
 *         call after a failed start returns this at once without searching. When memory ran
 *         out the port is given back and the library is as it was before the call (Never
 *         started, or Closed), so a later call tries again; no exception leaves the library.
 * \sa ExitInstrument(), \ref zarvo_lifecycle "lifecycle states", GetNrChannels(),
 *     GetSerialNumber(), GetMaxRecordLength()
 */
ZARVO_API(uint16_t) InitInstrument(uint32_t port);
/**
 * Stops timer-driven measuring, releases the instrument's port and frees the instance.
 * Harmless when there is nothing to free. After a successful start the library stays Closed
 * until it is unloaded (\ref zarvo_lifecycle "lifecycle states").
 * \return #RC_OK always.
 * \sa InitInstrument()
 */
ZARVO_API(uint16_t) ExitInstrument(void);
/** @} */

/** \defgroup measurement Measurement control and data
 * Block mode: set up, ADC_Start(), poll ADC_Ready() (forcing the trigger with
 * ADC_ForceTrig() when it takes too long), then read the record with ADC_GetDataVolt(),
 * ADC_GetData() or their one-channel kin. Timer-driven: DoMeasure() lets the library measure
 * on its own timer, and the same data exports copy its newest record. Use one of the two at
 * a time (\ref models_mixing "mixing them"). Whole-record exports write exactly
 * GetRecordLength() elements to each array they are given (nothing when the record length is
 * 0, when a null array is accepted too); the trigger point is sample GetRecordLength() -
 * GetPostSamples() (\ref models_index "trigger point").
 *
 * Example (block_capture.c): arm, wait with a bound that follows the record's duration,
 * force the trigger when it does not come, read the record in volts.
 * \include block_capture.c
 * @{ */

/**
 * Starts or stops timer-driven measuring (\ref zarvo_threads "threads and the timer"). The
 * timer arms, waits for the trigger (forcing it after the trigger time-out, counted from the
 * first arm after a start from stopped), reads each record into the library's buffers and
 * re-arms; a setting changed while a run is armed abandons that run and the next step arms
 * with the new settings; ADC_GetData() and its kin copy the newest
 * record from those buffers without touching the instrument, except the first data export
 * after an ADC_Start() whose run was not read out yet, which reads the instrument
 * (\ref models_mixing "mixing block mode and the timer"). The library posts no notification
 * when a record is in. A step whose read-out gives no record (an instrument that stopped
 * answering, as ADC_GetData() describes) takes none: the buffers keep the last record and the
 * next step arms again.
 * \param[in] mode 0 stops the timer; -1 measures continuously (#amContinuous); any other
 *            value measures once and then holds (#amOneShot).
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_NOT_INITIALISED never started in this load (see \ref zarvo_checks "checks").
 * \retval RC_OK otherwise. Only starts or stops the timer; the steps touch the instrument.
 * \sa SetTriggerTimeOut(), ADC_GetDataVolt(), StartMeasurement(), ADC_Start()
 */
ZARVO_API(uint16_t) DoMeasure(int32_t mode);
/**
 * Arms one block-mode acquisition with the current settings: applies the auto-range step the
 * last read-out asked for (one step per record read out: arming again before the next
 * read-out takes no further step; a range that cannot hold the DC level is skipped, as in
 * timer-driven measuring), programs the front end when settings changed, programs the
 * trigger source the application set (SetTriggerSource()) and starts the run. The next data
 * export reads the record out of the instrument, as the run was armed: a change of measure
 * mode or rate after ADC_Start() applies from the next arm. Calling it again before that
 * re-arms, and the unread run is lost; StartMeasurement() after it takes the run over (it is
 * never read out). Block mode never forces the trigger by itself: the trigger time-out is
 * not used here.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_NOT_INITIALISED never started in this load.
 * \retval RC_OK otherwise.
 * \sa ADC_Ready(), ADC_ForceTrig(), ADC_GetDataVolt(), ADC_Running(),
 *     \ref models_mixing "mixing block mode and the timer"
 */
ZARVO_API(uint16_t) ADC_Start(void);
/**
 * Whether a block-mode acquisition armed by ADC_Start() has not been read out yet (by a data
 * export). A StartMeasurement() after ADC_Start() takes that run over: it reads 0 from then. It reports library state, but on Linux, as most exports do, it first runs the
 * timer step that is due (\ref zarvo_threads "threads and the timer"), which may touch the
 * instrument.
 * \return 1 armed and not fetched, else 0 (also when not Running).
 * \sa ADC_Start(), ADC_Ready(), ADC_Abort()
 */
ZARVO_API(uint16_t) ADC_Running(void);
/**
 * Has no effect in block mode: the run stays armed, ADC_Running() stays 1, and the next
 * data export reads it out. To drop a run, arm the next one with ADC_Start(). (In the stream
 * transfer mode of other instruments of the family it stops the timer-driven measuring that
 * ADC_Start() started.)
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_NOT_INITIALISED never started in this load.
 * \retval RC_OK otherwise.
 * \sa ADC_Start(), ADC_Running()
 */
ZARVO_API(uint16_t) ADC_Abort(void);
/**
 * Reads the trigger bits of the instrument's status register: 2 when channel 1's comparator
 * fired, 4 when channel 2's did. With #tsCh1 only the first bit is read; with #tsCh2 and
 * #tsExternal only the second (with #tsExternal the run waits on channel 2's comparator,
 * which watches the external input with channel 2's level; channel 1's watches it too, with
 * channel 1's level, and is not reported); with every other source both. With #tsCh1,
 * #tsCh2, #tsOr and #tsExternal any non-zero value means the trigger came; with #tsAnd only 6
 * does (2 or 4 alone: one comparator fired, and the run still waits); with #tsNoTrig the bits
 * only show what the comparators saw, since the run needs no trigger.
 * \return 0, 2, 4 or 6; 0 when not Running.
 * \sa ADC_Ready(), SetTriggerSource()
 */
ZARVO_API(uint16_t) ADC_Triggered(void);
/**
 * Reads the instrument's run-complete bit: whether no run is in progress. It is 1 when the
 * armed acquisition is complete, and also when nothing is armed: after InitInstrument() and
 * after every read-out. So it tells about a record only between ADC_Start() (after which it
 * reads 0 until the run is complete) and the read-out. The library trusts the bit, here and
 * in StartMeasurement() and the timer steps, which read the record out as soon as it says
 * complete: an instrument that reports its run complete too early gives a record that need
 * not contain its trigger. A port with nothing attached reads 1 too (the data export then
 * answers #RC_NO_INSTRUMENT).
 * \return 1 when no run is in progress (the record is ready), else 0 (also when not
 *         Running).
 * \sa ADC_Start(), ADC_Triggered(), ADC_ForceTrig()
 */
ZARVO_API(uint16_t) ADC_Ready(void);
/**
 * Forces the trigger of the armed acquisition: switches its trigger source to immediate, so
 * the trigger point is now. The instrument still takes the post-trigger samples after it, so
 * ADC_Ready() turns 1 only GetPostSamples() sample periods later (about 0.5 s at 1 kHz with
 * 500 post-trigger samples; at double rate twice GetPostSamples() periods of the 50 MHz rate,
 * since the instrument counts memory positions, each holding two samples), and the record
 * lies around the force point as it would around a
 * trigger (\ref models_index "trigger point"). When nothing is armed it has no effect: the
 * next arm programs the trigger source again.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_NOT_INITIALISED never started in this load.
 * \retval RC_OK otherwise (also when nothing is armed). Touches the instrument.
 * \sa ADC_Start(), ADC_Ready(), SetTriggerTimeOut()
 */
ZARVO_API(uint16_t) ADC_ForceTrig(void);
/**
 * Copies the current record of channels 1 and 2 as raw samples (0x8000 = 0 V). The first
 * data export after ADC_Start() reads the record out of the instrument (even when
 * ADC_Ready() has not said 1); later calls copy the same record from the library's buffers.
 * A channel the measure mode does not record keeps what its buffer last held. After the
 * record length grew, the last record is shorter than GetRecordLength(): the whole-record
 * exports (this one, its kin and GetMeasurement(), GetMeasurementRaw()) then refuse with
 * #RC_BAD_VALUE and write nothing, until the next measurement (a read-out, a timer record or
 * StartMeasurement()) takes a record of the new length; a shorter length copies the first
 * GetRecordLength() samples of the record.
 * \param[out] ch1 array of GetRecordLength() samples for channel 1.
 * \param[out] ch2 array of GetRecordLength() samples for channel 2.
 * \retval RC_NO_INSTRUMENT not Running; or the read-out gave no record: the port reads as
 *         one with nothing attached (an instrument unplugged or switched off after the
 *         start; answered at once), or the instrument never ended the memory seek that
 *         starts the read-out (answered after waiting 1 s for it). Nothing is written, the
 *         library's buffers keep the previous record, and the run stays armed and unread
 *         (ADC_Running() 1): the next data export asks the instrument again.
 * \retval RC_BAD_VALUE an array is null (accepted when the record length is 0), or the record
 *         in hand is shorter than GetRecordLength().
 * \retval RC_OK the record is copied.
 * \sa ADC_GetDataVolt(), ADC_GetDataCh(), \ref zarvo_volts "samples and volts"
 */
ZARVO_API(uint16_t) ADC_GetData(uint16_t* ch1, uint16_t* ch2);
/**
 * As ADC_GetData(), in volts, each channel converted with the range its record was taken
 * with (\ref zarvo_volts "samples and volts"), also in timer-driven measuring with auto
 * ranging on. The volts include the channel's DC level.
 * \param[out] ch1 array of GetRecordLength() doubles, volts of channel 1.
 * \param[out] ch2 array of GetRecordLength() doubles, volts of channel 2.
 * \retval RC_NO_INSTRUMENT not Running, or the read-out gave no record (as ADC_GetData()).
 * \retval RC_BAD_VALUE an array is null (accepted when the record length is 0), or the record
 *         in hand is shorter than GetRecordLength() (ADC_GetData()).
 * \retval RC_OK the record is copied.
 * \sa ADC_GetData(), ADC_GetDataVoltCh(), GetSensitivity(), GetMeasurement()
 */
ZARVO_API(uint16_t) ADC_GetDataVolt(double* ch1, double* ch2);
/**
 * As ADC_GetData(), for one channel.
 * \param[in] ch channel, 1 or 2.
 * \param[out] data array of GetRecordLength() samples.
 * \retval RC_NO_INSTRUMENT not Running, or the read-out gave no record (as ADC_GetData()).
 * \retval RC_BAD_CHANNEL \a ch is not 1 or 2 (checked before any read-out).
 * \retval RC_BAD_VALUE \a data is null (accepted when the record length is 0), or the record in
 *         hand is shorter than GetRecordLength() (ADC_GetData()).
 * \retval RC_OK the record is copied.
 * \sa ADC_GetData(), ADC_GetDataVoltCh()
 */
ZARVO_API(uint16_t) ADC_GetDataCh(uint16_t ch, uint16_t* data);
/**
 * As ADC_GetDataVolt(), for one channel, with the range that channel's record was taken with.
 * \param[in] ch channel, 1 or 2.
 * \param[out] data array of GetRecordLength() doubles, volts.
 * \retval RC_NO_INSTRUMENT not Running, or the read-out gave no record (as ADC_GetData()).
 * \retval RC_BAD_CHANNEL \a ch is not 1 or 2.
 * \retval RC_BAD_VALUE \a data is null (accepted when the record length is 0), or the record in
 *         hand is shorter than GetRecordLength() (ADC_GetData()).
 * \retval RC_OK the record is copied.
 * \sa ADC_GetDataVolt(), ADC_GetDataCh()
 */
ZARVO_API(uint16_t) ADC_GetDataVoltCh(uint16_t ch, double* data);
/**
 * Stores a data-ready callback (instruments of the wider family only). The library never
 * calls it.
 * \param[in] callback stored as given.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE always on this instrument.
 * \sa SetDataReadyEvent()
 */
ZARVO_API(uint16_t) SetDataReadyCallback(void* callback);
/**
 * Stores a data-ready event handle (instruments of the wider family only). The library
 * never signals it.
 * \param[in] event stored as given.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE always on this instrument.
 * \sa SetDataReadyCallback()
 */
ZARVO_API(uint16_t) SetDataReadyEvent(void* event);
/**
 * Selects block or stream transfer (instruments of the wider family only; this instrument
 * always transfers in blocks).
 * \param[in] mode #tmBlock or #tmStream.
 * \retval RC_NO_INSTRUMENT never started, or Closed (ExitInstrument() after Running).
 * \retval RC_UNAVAILABLE on this instrument, checked before whether the instrument was
 *         found: so also after a failed start, and after ExitInstrument() followed by a new
 *         InitInstrument() (\ref zarvo_lifecycle "lifecycle states").
 * \sa GetTransferMode()
 */
ZARVO_API(uint16_t) SetTransferMode(uint8_t mode);
/**
 * Reads the transfer mode (instruments of the wider family only).
 * \param[out] mode the mode, #tmBlock or #tmStream.
 * \retval RC_NO_INSTRUMENT never started, or Closed (ExitInstrument() after Running).
 * \retval RC_UNAVAILABLE on this instrument, also after a failed start and after
 *         ExitInstrument() followed by a new InitInstrument().
 * \sa SetTransferMode()
 */
ZARVO_API(uint16_t) GetTransferMode(int32_t* mode);
/**
 * Reads the digital input record (instruments with digital inputs only; none here).
 * \param[out] values array of GetRecordLength() words.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE always on this instrument.
 * \sa GetOneDigitalValue()
 */
ZARVO_API(uint16_t) GetDigitalInputValues(uint16_t* values);
/**
 * Reads one digital input value (instruments with digital inputs only; none here).
 * \param[in] index sample index; not used.
 * \param[out] value the value.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE always on this instrument.
 * \sa GetDigitalInputValues()
 */
ZARVO_API(uint16_t) GetOneDigitalValue(int32_t index, uint16_t* value);
/** @} */

/** \defgroup channel Channel, timebase and configuration
 * Identity and limits, input ranges, coupling, DC level, auto ranging, measure mode, record
 * length, post-trigger samples and sample rate. Checks as in \ref zarvo_checks "the standard
 * order"; settings are stored and reach the instrument at the next arm, except the sample
 * clock (\ref zarvo_settings "stored settings"). What each model offers: \ref models.
 *
 * Example (settings.c): the sample rate, double rate on channel 1 alone, record length and
 * post-trigger samples, each written back as taken.
 * \dontinclude settings.c
 * \skip Timebase:
 * \until GetPostSamples());
 * @{ */

/**
 * Number of input channels: 2.
 * \param[out] value the count.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_VALUE \a value is null.
 * \retval RC_OK written.
 * \sa GetMaxSampleFrequencyF(), GetMaxRecordLength()
 */
ZARVO_API(uint16_t) GetNrChannels(uint16_t* value);
/**
 * Highest sample frequency of one converter, in Hz: 25e6, the most in every measure mode but
 * #mCh1. (Channel 1 alone reaches 50e6 at double rate, see SetSampleFrequencyF().)
 * \return the frequency, or 0 when not Running.
 * \sa SetSampleFrequencyF(), \ref models_rates "rates made"
 */
ZARVO_API(double) GetMaxSampleFrequencyF(void);
/**
 * As GetMaxSampleFrequencyF(), rounded to whole Hz.
 * \return 25000000, or 0 when not Running.
 * \sa GetMaxSampleFrequencyF()
 */
ZARVO_API(uint32_t) GetMaxSampleFrequency(void);
/**
 * Largest record length in samples per channel: 32760, or 16384 on early instruments (the
 * Zarvo with model code 2, the Pellix with a serial number up to 6426; \ref models).
 * \return the length, or 0 when not Running.
 * \sa SetRecordLength()
 */
ZARVO_API(int32_t) GetMaxRecordLength(void);
/**
 * Serial number, read from the instrument's EEPROM at start-up.
 * \param[out] value the serial number.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE instrument types without a serial number (none here); 0 is written.
 * \retval RC_BAD_VALUE \a value is null.
 * \retval RC_OK written.
 * \sa GetCalibrationDate()
 */
ZARVO_API(uint16_t) GetSerialNumber(int32_t* value);
/**
 * Calibration date, read from the instrument's EEPROM at every call (a bus transfer of a
 * few milliseconds). An invalid stored date reads as 1 January 1980, and so does a valid
 * date stored with an invalid time of day (hour 24 or more, minute 60 or more).
 * \param[out] value day of month in bits 31..24, month in bits 23..16, year in bits 15..0.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE instrument types without a calibration date (none here).
 * \retval RC_BAD_VALUE \a value is null.
 * \retval RC_OK written.
 * \sa GetSerialNumber()
 */
ZARVO_API(uint16_t) GetCalibrationDate(uint32_t* value);
/**
 * Whether the DC level can be set (SetDcLevel()); it can on this instrument.
 * \return #RC_NO_INSTRUMENT (not Running), #RC_OK (settable) or #RC_UNAVAILABLE, as a
 *         32-bit value.
 * \sa SetDcLevel(), GetDcLevel()
 */
ZARVO_API(int32_t) GetDCLevelStatus(void);
/**
 * Lists the input ranges as full-scale volts, largest first: 80, 40, 20, 8, 4, 2, 0.8, 0.4,
 * 0.2, then zeros.
 * \param[out] values array of 20 doubles; all 20 are written.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_VALUE \a values is null.
 * \retval RC_OK written.
 * \sa SetSensitivity(), GetSensitivity()
 */
ZARVO_API(uint16_t) GetAvailableSensitivities(double* values);
/**
 * Lists the converter resolutions in bits: 8, then zeros.
 * \param[out] values array of 20 doubles; all 20 are written.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_VALUE \a values is null.
 * \retval RC_OK written.
 * \sa GetResolution(), SetResolution()
 */
ZARVO_API(uint16_t) GetAvailableResolutions(double* values);
/**
 * Converter resolution in bits: 8.
 * \param[out] value the resolution.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_VALUE \a value is null.
 * \retval RC_OK written.
 * \sa SetResolution(), GetAvailableResolutions()
 */
ZARVO_API(uint16_t) GetResolution(uint8_t* value);
/**
 * Selects a resolution from GetAvailableResolutions(); only 8 bits exist here.
 * \param[in] value bits.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_VALUE not a listed resolution.
 * \retval RC_OK stored.
 * \sa GetResolution(), GetAvailableResolutions()
 */
ZARVO_API(uint16_t) SetResolution(uint8_t value);
/**
 * Reads the measure mode.
 * \param[out] value an #mNone .. #mXY value.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_VALUE \a value is null.
 * \retval RC_OK written.
 * \sa SetMeasureMode()
 */
ZARVO_API(uint16_t) GetMeasureMode(uint8_t* value);
/**
 * Selects the channels to record. Double rate (50 MHz, both converters on channel 1) lasts
 * only while the mode is #mCh1: selecting any other mode ends it, and the sample rate then
 * reads 25e6. A channel the mode leaves out is not read: its buffer keeps what it held. The
 * relays follow the mode at the next arm (a run already armed is read out as it was armed).
 * \param[in] mode #mNone, #mCh1, #mCh2, #mCh12 or #mXY (#mCh12 after start-up).
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE a mode with channel 3 or 4 (4 .. 15).
 * \retval RC_BAD_VALUE \a mode above 16.
 * \retval RC_OK stored.
 * \sa GetMeasureMode(), SetSampleFrequencyF()
 */
ZARVO_API(uint16_t) SetMeasureMode(uint8_t mode);
/**
 * Record length: samples per channel in each record (512 after start-up).
 * \return the length, or 0 when not Running.
 * \sa SetRecordLength(), GetPostSamples()
 */
ZARVO_API(int32_t) GetRecordLength(void);
/**
 * Sets the record length. The pre-trigger samples become record length minus post-trigger
 * samples, so set the record length before SetPostSamples(): a length below the post-trigger
 * count makes the record start after the trigger point (\ref models_index "trigger point").
 * \param[in] value samples per channel, 0 .. GetMaxRecordLength().
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_VALUE above GetMaxRecordLength().
 * \retval RC_OK stored.
 * \sa GetRecordLength(), SetPostSamples(), GetMaxRecordLength()
 */
ZARVO_API(uint16_t) SetRecordLength(uint32_t value);
/**
 * Post-trigger samples: samples recorded from the trigger point on (256 after start-up).
 * \return the count, or 0 when not Running.
 * \sa SetPostSamples(), GetRecordLength()
 */
ZARVO_API(int32_t) GetPostSamples(void);
/**
 * Sets the post-trigger samples; the rest of the record lies before the trigger point, which
 * is sample GetRecordLength() - GetPostSamples() of the record (\ref models_index "trigger
 * point"). Pre-trigger samples are real data only when the trigger comes at least that long
 * after the arm.
 * \param[in] value samples, 0 .. GetRecordLength().
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_VALUE above GetRecordLength().
 * \retval RC_OK stored.
 * \sa GetPostSamples(), SetRecordLength()
 */
ZARVO_API(uint16_t) SetPostSamples(uint32_t value);
/**
 * Sample frequency in Hz, as achieved (25e6 after start-up; 50e6 at double rate).
 * \return the frequency, or 0 when not Running.
 * \sa SetSampleFrequencyF()
 */
ZARVO_API(double) GetSampleFrequencyF(void);
/**
 * Sets the sample frequency and programs the sample clock at once (double rate at the next
 * arm). The instrument makes 25, 12.5 and 5 MHz, 5 MHz divided by 2 .. 62500 below that, and
 * 50 kHz divided by a whole number below 80 Hz (slowest about 0.763 Hz; slower requests get
 * it); \ref models_rates "the rates made" has the exact rule. Above 25 MHz, only while the
 * measure mode is #mCh1, it samples channel 1 with both converters interleaved at 50 MHz
 * (double rate); in every other measure mode a request above 25 MHz gives 25 MHz. Select
 * #mCh1 first, then the rate. A request equal to the last one taken as asked changes
 * nothing.
 * \param[in,out] value requested Hz in; the frequency achieved out.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_VALUE \a value is null, or *value is 0, negative or not finite (nothing
 *         changes then).
 * \retval RC_OK programmed.
 * \sa GetSampleFrequencyF(), SetSampleFrequency(), SetMeasureMode(), GetMaxSampleFrequencyF()
 */
ZARVO_API(uint16_t) SetSampleFrequencyF(double* value);
/**
 * As GetSampleFrequencyF(), rounded to whole Hz.
 * \return the frequency, or 0 when not Running.
 * \sa GetSampleFrequencyF()
 */
ZARVO_API(uint32_t) GetSampleFrequency(void);
/**
 * As SetSampleFrequencyF(), in whole Hz.
 * \param[in,out] value requested Hz in; the frequency achieved, rounded, out. On a failure
 *                other than a null pointer the request is written back unchanged.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_VALUE \a value is null or *value is 0.
 * \retval RC_OK programmed.
 * \sa SetSampleFrequencyF(), GetSampleFrequency()
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
 * \sa SetSensitivity(), GetAvailableSensitivities(), \ref zarvo_volts "samples and volts"
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
 * \sa GetSensitivity(), GetAvailableSensitivities(), SetAutoRanging(), SetDcLevel()
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
 * \sa SetAutoRanging()
 */
ZARVO_API(uint16_t) GetAutoRanging(uint8_t ch, uint8_t* value);
/**
 * Switches auto ranging of a channel (off after InitInstrument()). When on, each read-out
 * asks for a larger range when the record clipped or a smaller one when it used little of
 * the range; the step is taken at the next arm, one range per record read out, in every way
 * of measuring (arming again without a read-out takes no further step). A range that cannot
 * hold the channel's DC level (more than twice its full scale) is skipped for the next
 * larger one. Only a channel the record holds asks for a step: in double rate (#mCh1 at
 * 50 MHz) channel 2 never does. Read the range taken with GetSensitivity(); the volt exports
 * already convert each record with its own range.
 * \param[in] ch channel, 1 or 2.
 * \param[in] value 1 on, 0 off.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_CHANNEL \a ch is not 1 or 2.
 * \retval RC_BAD_VALUE \a value is not 0 or 1.
 * \retval RC_OK stored.
 * \sa GetAutoRanging(), GetSensitivity()
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
 * \sa SetCoupling()
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
 * \sa GetCoupling()
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
 * \sa SetDcLevel()
 */
ZARVO_API(uint16_t) GetDcLevel(uint8_t ch, double* value);
/**
 * Sets a channel's DC level: a voltage the front end adds to the input before the converter
 * (0 V after start-up). A positive level moves the trace up: a record shows input plus
 * level, and the volt exports report that sum (subtract GetDcLevel() for the input itself).
 * So a small signal riding on a DC voltage V can be viewed on a sensitive range with a level
 * of -V. The level may reach twice the current full scale either way; a later range change
 * clamps it to twice the new full scale.
 * \param[in] ch channel, 1 or 2.
 * \param[in] value volts, within twice the current full scale either way.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE the DC level is not settable (never here).
 * \retval RC_BAD_CHANNEL \a ch is not 1 or 2.
 * \retval RC_BAD_VALUE outside -2 .. +2 times the full scale, or not a number.
 * \retval RC_OK stored.
 * \sa GetDcLevel(), GetDCLevelStatus(), SetSensitivity()
 */
ZARVO_API(uint16_t) SetDcLevel(uint8_t ch, double value);
/**
 * Whether an external sample clock is selected (instruments of the wider family only).
 * \param[out] value 1 external, 0 internal.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE always on this instrument; 0 is written.
 * \sa SetExternalClock()
 */
ZARVO_API(uint16_t) GetExternalClock(uint16_t* value);
/**
 * Selects an external sample clock (instruments of the wider family only).
 * \param[in] value 1 external, 0 internal.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE always on this instrument; the clock stays internal.
 * \sa GetExternalClock()
 */
ZARVO_API(uint16_t) SetExternalClock(uint16_t value);
/**
 * Selects a configuration of a configurable instrument type (not this one).
 * \param[in] value configuration 0, 1 or 2.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE always on this instrument.
 * \sa GetInstrumentConfig()
 */
ZARVO_API(uint16_t) SetInstrumentConfig(uint16_t value);
/**
 * Reads the configuration of a configurable instrument type (not this one).
 * \param[out] value configuration 0, 1 or 2.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE always on this instrument.
 * \sa SetInstrumentConfig()
 */
ZARVO_API(uint16_t) GetInstrumentConfig(uint16_t* value);
/** @} */

/** \defgroup trigger Trigger
 * The trigger source, the trigger mode of each input, each channel's level and hysteresis,
 * and the time-out of timer-driven and single-call measuring. Settings are stored and reach
 * the comparators at the next arm (\ref zarvo_settings "stored settings").
 *
 * Trigger modes, per input:
 * - 0: rising edge. The comparator is ready below level - hysteresis and fires at the level.
 * - 1: falling edge. Ready above level + hysteresis, fires at the level.
 * - 4, 5 and 6 write further comparator codes, whose meaning is the instrument's. They do
 *   not take their levels from SetTriggerLevel() or SetTriggerHys(): in these modes the
 *   comparator levels stay as the last arm in mode 0 to 3 left them (the bottom of the range
 *   until the first such arm after InitInstrument()). On the simulated instrument 5 fires
 *   while the input is below the level of that arm, 6 while it is at or above it, and 4
 *   while it lies outside the band between that level and level -/+ hysteresis. For a
 *   defined level, arm once in mode 0 or 1 with the level wanted (ADC_Start(),
 *   ADC_ForceTrig() and a data export will do), then select mode 5 or 6. Mode 4 exists only
 *   on instruments with model code 4.
 * - 2 and 3 (drop-out) and 7 .. 11 belong to other instruments of the family.
 * .
 * Only channel 1's mode programs the comparators, those of both channels alike (each with
 * its own level and hysteresis). With #tsExternal they watch the external input, rising with
 * channel 1's mode 0 and falling with 1, and the run waits on channel 2's comparator: the
 * external input triggers at channel 2's level and hysteresis, on channel 2's range. Only
 * the two edge modes reach the external input (the other comparator codes compare the
 * channel's own input), so while the source is #tsExternal channel 1 takes only modes 0 and
 * 1, and #tsExternal is refused while channel 1 holds another mode (#RC_UNAVAILABLE both
 * ways). The external input's own mode (input 0) is stored and read back but programs
 * nothing. Levels and hysteresis are volts on the channel's current range, stored as 8-bit
 * comparator values (128 steps per full scale).
 *
 * Example (settings.c): trigger on channel 1, falling edge, with level, hysteresis and
 * time-out read back as stored.
 * \dontinclude settings.c
 * \skip Trigger:
 * \until GetTriggerTimeOut());
 * @{ */

/**
 * Reads the trigger source.
 * \param[out] value a #tsCh1 .. #tsUnknown value (#tsCh1 after start-up).
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_VALUE \a value is null.
 * \retval RC_OK written.
 * \sa SetTriggerSource()
 */
ZARVO_API(uint16_t) GetTriggerSource(uint8_t* value);
/**
 * Selects the trigger source.
 * \param[in] value #tsCh1, #tsCh2, #tsExternal, #tsAnd, #tsOr or #tsNoTrig on this
 *            instrument.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE a source this instrument lacks (#tsCh3, #tsCh4, #tsAnaExt, #tsXor,
 *         #tsNeverTrig, #tsPxiExt, #tsGenStart, #tsGenStop, #tsGenNew), or #tsExternal while
 *         channel 1's trigger mode is not 0 or 1 (the external input triggers on the edges
 *         only; see the \ref trigger "trigger modes").
 * \retval RC_BAD_VALUE 15 or above.
 * \retval RC_OK stored.
 * \sa GetTriggerSource(), SetTriggerMode(), ADC_Triggered()
 */
ZARVO_API(uint16_t) SetTriggerSource(uint8_t value);
/**
 * Reads the trigger mode stored for the current source: channel 1's mode for every channel
 * source (the comparators of both channels follow it), the external input's stored mode for
 * #tsExternal (which the instrument does not use: channel 1's mode sets the edge there too).
 * \param[out] value the mode, 0 .. 6 (0 or 1 for #tsExternal).
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_VALUE \a value is null, or the stored mode has no code (not checked with
 *         the source #tsNoTrig or later); with #tsExternal also when the external input
 *         holds any mode but 0 and 1, that is 4, 5 or 6 (given by SetTriggerModeCh() with
 *         input 0; SetTriggerMode() changes the external input only with modes 0 and 1).
 * \retval RC_OK written; with the source #tsNoTrig or later there is no mode and nothing is
 *         written (a null \a value is accepted then).
 * \sa SetTriggerMode(), GetTriggerModeCh()
 */
ZARVO_API(uint16_t) GetTriggerMode(uint8_t* value);
/**
 * Sets the trigger mode of both channels, and of the external input when the mode is 0 or 1.
 * Channels that accept the mode keep it even when another refuses. Modes 4, 5 and 6 keep the
 * comparator levels of the last arm in mode 0 to 3 and ignore SetTriggerLevel() (see the
 * \ref trigger "trigger modes").
 * \param[in] mode trigger mode (see the group description).
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE mode 2, 3 or 7 .. 11, or 4 on instruments without the window mode;
 *         or a mode other than 0 and 1 while the source is #tsExternal, which channel 1
 *         refuses (channel 2 still takes it).
 * \retval RC_BAD_VALUE mode 12 or above.
 * \retval RC_OK stored.
 * \sa SetTriggerModeCh(), GetTriggerMode(), SetTriggerLevel()
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
 * \sa SetTriggerModeCh(), GetTriggerMode()
 */
ZARVO_API(uint16_t) GetTriggerModeCh(uint8_t ch, uint8_t* value);
/**
 * Sets the trigger mode of one input. Only channel 1's mode programs the comparators (of
 * both channels, and with #tsExternal the edge on the external input); the modes of
 * channel 2 and of the external input are stored and read back. Modes 4, 5 and 6 keep the
 * comparator levels of the last arm in mode 0 to 3 (see the \ref trigger "trigger modes").
 * The input is checked before the mode, unlike the \ref zarvo_checks "standard order"
 * (capability before channel): whether a mode is available depends on the input it is set
 * for, so SetTriggerModeCh(3, 2) answers #RC_BAD_CHANNEL, not #RC_UNAVAILABLE.
 * \param[in] ch 0 (the external trigger input), 1 or 2.
 * \param[in] mode trigger mode (see the group description).
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_CHANNEL \a ch is above 2.
 * \retval RC_UNAVAILABLE mode 2, 3 or 7 .. 11, or 4 on instruments without the window mode;
 *         for channel 1 also any mode but 0 and 1 while the source is #tsExternal.
 * \retval RC_BAD_VALUE mode 12 or above.
 * \retval RC_OK stored.
 * \sa SetTriggerMode(), GetTriggerModeCh()
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
 * \sa SetTriggerLevel()
 */
ZARVO_API(uint16_t) GetTriggerLevel(uint8_t ch, double* value);
/**
 * Sets a channel's trigger level for trigger modes 0 and 1. It is stored as a comparator
 * value relative to the range, so set the range (SetSensitivity()) first: a later range
 * change scales the level with it. The comparators take it at the next arm in mode 0 or 1;
 * modes 4, 5 and 6 do not use it but keep the levels of the last arm in mode 0 to 3 (see the
 * \ref trigger "trigger modes").
 * \param[in] ch channel, 1 or 2.
 * \param[in] value volts within the full scale, -s .. +s.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_CHANNEL \a ch is not 1 or 2.
 * \retval RC_BAD_VALUE outside the full scale, or not a number.
 * \retval RC_OK stored, rounded to the nearest of 128 steps per full scale (halves to even)
 *         as a comparator value 0 .. 255, with 127 at 0 V. The ends are not symmetric: +s
 *         is value 255 and reads back as +s, while -s would be -1 and is stored as 0, which
 *         reads back one step above it, -127/128 s (-7.9375 V on the 8 V range).
 * \sa GetTriggerLevel(), SetTriggerHys(), SetTriggerMode()
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
 * \sa SetTriggerHys()
 */
ZARVO_API(uint16_t) GetTriggerHys(uint8_t ch, double* value);
/**
 * Sets a channel's trigger hysteresis: how far the signal must be on the far side of the
 * level before an edge counts, which keeps noise from triggering. Judged by channel 1's
 * trigger mode, whichever channel is set. The value is rounded to whole steps (s / 128,
 * halves to even), the low 16 bits of that count are kept, and a count of 256 or more is
 * stored as 256, the widest band. So a negative value more than half a step below 0 (and not
 * below -510 s) gives the widest band, while one within half a step of 0 gives none.
 * \param[in] ch channel, 1 or 2.
 * \param[in] value volts; mode 0: level - value >= -s; mode 1: level + value <= s (s the
 *            full scale). Negative values pass these tests.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_CHANNEL \a ch is not 1 or 2.
 * \retval RC_BAD_VALUE the band leaves the range, channel 1's mode is 4 or above, or the
 *         value is not finite.
 * \retval RC_OK stored.
 * \sa GetTriggerHys(), SetTriggerLevel()
 */
ZARVO_API(uint16_t) SetTriggerHys(uint8_t ch, double value);
/**
 * Trigger time-out in milliseconds (1000 after start-up). A time-out set from 2^31 ms on
 * reads back as a negative number with the same 32 bits.
 * \return milliseconds, -1 for no time-out, or 1 when not Running.
 * \sa SetTriggerTimeOut()
 */
ZARVO_API(int32_t) GetTriggerTimeOut(void);
/**
 * Sets how long timer-driven measuring and StartMeasurement() wait for a trigger before
 * forcing one (as ADC_ForceTrig() does). The wait is counted in timer steps, one every 6 ms:
 * the trigger is forced in step round(value / 50) + 2 of the run, counting the step that arms
 * as the first (the count starts again at every read-out, every forced trigger, every
 * StartMeasurement() and every DoMeasure() that starts a stopped timer: a new measurement
 * never counts the steps an earlier run spent waiting). That is
 * (round(value / 50) + 1) * 6 ms after the arm, about an eighth of the value (1000 ms: step
 * 22, about 0.13 s). A time-out shorter than one sample period arms without a trigger
 * (#tsNoTrig). A time-out of 2000000000 ms or more never forces, as -1 does. Block mode
 * (ADC_Start()) never forces by itself.
 * \param[in] value milliseconds; 0xFFFFFFFF (-1) waits for ever.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_OK stored.
 * \sa GetTriggerTimeOut(), DoMeasure(), StartMeasurement(), ADC_ForceTrig()
 */
ZARVO_API(uint16_t) SetTriggerTimeOut(uint32_t value);
/**
 * Reads the PXI trigger slopes (PXI instruments only).
 * \param[out] value slope bits.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE always on this instrument.
 * \sa SetPXITriggerSlopes()
 */
ZARVO_API(uint16_t) GetPXITriggerSlopes(uint8_t* value);
/**
 * Sets the PXI trigger slopes (PXI instruments only).
 * \param[in] value slope bits.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE always on this instrument.
 * \sa GetPXITriggerSlopes()
 */
ZARVO_API(uint16_t) SetPXITriggerSlopes(uint8_t value);
/**
 * Reads the PXI trigger enables (PXI instruments only).
 * \param[out] value enable bits.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE always on this instrument.
 * \sa SetPXITriggerEnables()
 */
ZARVO_API(uint16_t) GetPXITriggerEnables(uint8_t* value);
/**
 * Sets the PXI trigger enables (PXI instruments only).
 * \param[in] value enable bits.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE always on this instrument.
 * \sa GetPXITriggerEnables()
 */
ZARVO_API(uint16_t) SetPXITriggerEnables(uint8_t value);
/** @} */

/** \defgroup single_call Single-call measurement
 * StartMeasurement() measures once and waits; the others read the library's buffers
 * (whatever came last: this, a block-mode fetch or a timer read-out) without touching the
 * instrument. Volts use the ranges each record was taken with. The example of
 * \ref zarvo_volts "samples and volts" takes a record this way.
 * @{ */

/**
 * Runs one complete measurement with the current settings and returns when its record is
 * in the library's buffers. It always arms a run of its own: a run the timer armed before it
 * was stopped, or one of ADC_Start() not read out yet, is abandoned (ADC_Running() then reads
 * 0), and the trigger time-out counts from this arm. Blocks: until the trigger, or the
 * trigger time-out (for ever with -1 or 2000000000 ms and more), plus the record. It needs
 * no message loop. A later ADC_GetData() copies this record without reading the instrument.
 * \retval RC_NO_INSTRUMENT not Running (returned at once); or the instrument stopped
 *         answering: it never reported its run complete, or its read-out gave no record (as
 *         ADC_GetData() describes; answered at once). For the first, counted from the step in
 *         which the trigger is due (the step that forces it after the time-out, or the arm
 *         when the source needs no trigger), it waits GetPostSamples() + 5 sample periods and
 *         one second more, then gives up. The previous record stays either way.
 * \retval RC_NOT_INITIALISED never started in this load.
 * \retval RC_OK the record is in.
 * \sa GetMeasurement(), GetMeasurementRaw(), SetTriggerTimeOut(), DoMeasure()
 */
ZARVO_API(uint16_t) StartMeasurement(void);
/**
 * Copies the last record of both channels in volts, each with the range it was taken with.
 * \param[out] ch1 array of GetRecordLength() doubles for channel 1.
 * \param[out] ch2 array of GetRecordLength() doubles for channel 2.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_VALUE an array is null (accepted when the record length is 0), or the record
 *         in hand is shorter than GetRecordLength() (ADC_GetData()).
 * \retval RC_OK copied.
 * \sa GetMeasurementRaw(), GetOneMeasurement(), StartMeasurement(),
 *     \ref zarvo_volts "samples and volts"
 */
ZARVO_API(uint16_t) GetMeasurement(double* ch1, double* ch2);
/**
 * One sample of both channels in volts.
 * \param[in] index sample, 0 .. GetRecordLength() - 1.
 * \param[out] ch1 volts of channel 1.
 * \param[out] ch2 volts of channel 2.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_VALUE \a index outside the record (at or above GetRecordLength(), or beyond
 *         the samples of the last record after the length grew), or a pointer is null.
 * \retval RC_OK written.
 * \sa GetMeasurement(), GetOneMeasurementRaw()
 */
ZARVO_API(uint16_t) GetOneMeasurement(int32_t index, double* ch1, double* ch2);
/**
 * Copies the last record of both channels as raw samples (0x8000 = 0 V).
 * \param[out] ch1 array of GetRecordLength() samples for channel 1.
 * \param[out] ch2 array of GetRecordLength() samples for channel 2.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_VALUE an array is null (accepted when the record length is 0), or the record
 *         in hand is shorter than GetRecordLength() (ADC_GetData()).
 * \retval RC_OK copied.
 * \sa GetMeasurement(), GetOneMeasurementRaw(), StartMeasurement()
 */
ZARVO_API(uint16_t) GetMeasurementRaw(uint16_t* ch1, uint16_t* ch2);
/**
 * One raw sample of both channels.
 * \param[in] index sample, 0 .. GetRecordLength() - 1.
 * \param[out] ch1 raw sample of channel 1.
 * \param[out] ch2 raw sample of channel 2.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_VALUE \a index outside the record (at or above GetRecordLength(), or beyond
 *         the samples of the last record after the length grew), or a pointer is null.
 * \retval RC_OK written.
 * \sa GetMeasurementRaw(), GetOneMeasurementRawCh()
 */
ZARVO_API(uint16_t) GetOneMeasurementRaw(int32_t index, uint16_t* ch1, uint16_t* ch2);
/**
 * One raw sample of one channel.
 * \param[in] ch channel, 1 or 2.
 * \param[in] index sample, 0 .. GetRecordLength() - 1.
 * \param[out] value the raw sample.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_BAD_CHANNEL \a ch is not 1 or 2.
 * \retval RC_BAD_VALUE \a index outside the record (as GetOneMeasurementRaw()), or \a value is
 *         null.
 * \retval RC_OK written.
 * \sa GetOneMeasurementRaw(), GetMeasurementRaw()
 */
ZARVO_API(uint16_t) GetOneMeasurementRawCh(uint16_t ch, int32_t index, uint16_t* value);
/** @} */

/** \defgroup square_wave Square-wave generator
 * A square wave of 0 V low and about 1 V high on the instrument's generator output, a
 * divider of 5 MHz, from 100 Hz to 100 kHz. It is programmed at once.
 * @{ */

/**
 * Whether the square-wave generator is present; it is on this instrument.
 * \return #RC_NO_INSTRUMENT (not Running), #RC_OK (present) or #RC_GENERATOR_ABSENT.
 * \sa SetSquareWaveGenFrequency()
 */
ZARVO_API(uint16_t) GetSquareWaveGenStatus(void);
/**
 * The frequency last achieved by SetSquareWaveGenFrequency(), in Hz; 0 when the output is
 * off or was never set. Needs no instrument: kept by the library in every state (also
 * after ExitInstrument()).
 * \return Hz.
 * \sa SetSquareWaveGenFrequency()
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
 * \sa GetSquareWaveGenFrequency(), GetSquareWaveGenStatus()
 */
ZARVO_API(uint16_t) SetSquareWaveGenFrequency(uint32_t* value);
/** @} */

/** \defgroup function_generator Function generator (absent here)
 * The function generator of other instruments of the family; the instruments this library
 * drives have none. When not Running every one of these answers #RC_NO_INSTRUMENT. When
 * Running, FuncGenBurst(), SetFuncGenTrigSource(), GetFuncGenTrigSource() and
 * SetFuncGenEnable() answer #RC_UNAVAILABLE, and all the others #RC_GENERATOR_ABSENT. On
 * instruments of the family that have a generator they store settings; nothing here drives
 * generator hardware.
 * @{ */

/**
 * Whether a function generator is present.
 * \return #RC_NO_INSTRUMENT (not Running), #RC_OK (present) or #RC_GENERATOR_ABSENT (here).
 * \sa GetSquareWaveGenStatus()
 */
ZARVO_API(uint16_t) GetFunctionGenStatus(void);
/**
 * Largest generator amplitude.
 * \param[out] value volts.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_GENERATOR_ABSENT always on this instrument.
 * \sa SetFuncGenAmplitude()
 */
ZARVO_API(uint16_t) GetFuncGenMaxAmplitude(double* value);
/**
 * Sets the generator's signal type.
 * \param[in] value type code 0 .. 5.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_GENERATOR_ABSENT always on this instrument.
 * \sa GetFuncGenSignalType()
 */
ZARVO_API(uint16_t) SetFuncGenSignalType(uint16_t value);
/**
 * Reads the generator's signal type.
 * \param[out] value type code 0 .. 5.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_GENERATOR_ABSENT always on this instrument.
 * \sa SetFuncGenSignalType()
 */
ZARVO_API(uint16_t) GetFuncGenSignalType(uint16_t* value);
/**
 * Sets the generator amplitude.
 * \param[in] value volts, within the largest amplitude either way.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_GENERATOR_ABSENT always on this instrument.
 * \sa GetFuncGenAmplitude(), GetFuncGenMaxAmplitude()
 */
ZARVO_API(uint16_t) SetFuncGenAmplitude(double value);
/**
 * Reads the generator amplitude.
 * \param[out] value volts.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_GENERATOR_ABSENT always on this instrument.
 * \sa SetFuncGenAmplitude()
 */
ZARVO_API(uint16_t) GetFuncGenAmplitude(double* value);
/**
 * Sets the generator DC offset.
 * \param[in] value volts, within the largest amplitude either way.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_GENERATOR_ABSENT always on this instrument.
 * \sa GetFuncGenDCOffset()
 */
ZARVO_API(uint16_t) SetFuncGenDCOffset(double value);
/**
 * Reads the generator DC offset.
 * \param[out] value volts.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_GENERATOR_ABSENT always on this instrument.
 * \sa SetFuncGenDCOffset()
 */
ZARVO_API(uint16_t) GetFuncGenDCOffset(double* value);
/**
 * Sets the generator symmetry.
 * \param[in] value percent, 0 .. 100.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_GENERATOR_ABSENT always on this instrument.
 * \sa GetFuncGenSymmetry()
 */
ZARVO_API(uint16_t) SetFuncGenSymmetry(double value);
/**
 * Reads the generator symmetry.
 * \param[out] value percent.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_GENERATOR_ABSENT always on this instrument.
 * \sa SetFuncGenSymmetry()
 */
ZARVO_API(uint16_t) GetFuncGenSymmetry(double* value);
/**
 * Sets the generator frequency.
 * \param[in,out] value Hz in, above 0; the frequency stored out.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_GENERATOR_ABSENT always on this instrument.
 * \sa GetFuncGenFrequency()
 */
ZARVO_API(uint16_t) SetFuncGenFrequency(double* value);
/**
 * Reads the generator frequency.
 * \param[out] value Hz.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_GENERATOR_ABSENT always on this instrument.
 * \sa SetFuncGenFrequency()
 */
ZARVO_API(uint16_t) GetFuncGenFrequency(double* value);
/**
 * Switches the generator output.
 * \param[in] value 1 on, 0 off.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_GENERATOR_ABSENT always on this instrument.
 * \sa GetFuncGenOutputOn()
 */
ZARVO_API(uint16_t) SetFuncGenOutputOn(uint16_t value);
/**
 * Reads whether the generator output is on.
 * \param[out] value 1 on, 0 off; 0 is written before any check, so it is 0 after a failure.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_GENERATOR_ABSENT always on this instrument.
 * \sa SetFuncGenOutputOn()
 */
ZARVO_API(uint16_t) GetFuncGenOutputOn(uint16_t* value);
/**
 * Enables the generator of a configurable instrument type.
 * \param[in] value 1 enabled, 0 disabled.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE always on this instrument (tested before the generator).
 * \sa GetFuncGenEnable()
 */
ZARVO_API(uint16_t) SetFuncGenEnable(uint16_t value);
/**
 * Reads whether the generator of a configurable instrument type is enabled.
 * \param[out] value 1 enabled, 0 disabled; 0 is written before any check.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_GENERATOR_ABSENT always on this instrument (tested before the type).
 * \sa SetFuncGenEnable()
 */
ZARVO_API(uint16_t) GetFuncGenEnable(uint16_t* value);
/**
 * Loads the generator's waveform memory.
 * \param[in] count number of points.
 * \param[in] data the points, in the generator's own format; not read here.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_GENERATOR_ABSENT always on this instrument.
 * \sa SetFuncGenSignalType()
 */
ZARVO_API(uint16_t) FillFuncGenMemory(int32_t count, void* data);
/**
 * Starts a generator burst (instruments with burst generators only).
 * \param[in] value number of periods.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE always on this instrument.
 * \sa SetFuncGenTrigSource()
 */
ZARVO_API(uint16_t) FuncGenBurst(uint16_t value);
/**
 * Selects what starts the generator (instruments with that choice only).
 * \param[in] value #tsExternal or #tsNoTrig.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE always on this instrument.
 * \sa GetFuncGenTrigSource(), FuncGenBurst()
 */
ZARVO_API(uint16_t) SetFuncGenTrigSource(uint8_t value);
/**
 * Reads what starts the generator (instruments with that choice only).
 * \param[out] value #tsExternal or #tsNoTrig.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE always on this instrument.
 * \sa SetFuncGenTrigSource()
 */
ZARVO_API(uint16_t) GetFuncGenTrigSource(uint8_t* value);
/** @} */

/** \defgroup auxiliary Digital outputs, ohm measurement, I2C (absent here)
 * Functions of other instruments of the family. The arguments are not read: when not
 * Running every one of these answers #RC_NO_INSTRUMENT, when Running #RC_UNAVAILABLE.
 * @{ */

/**
 * Sets the digital outputs (instruments with digital outputs only).
 * \param[in] value output bits.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE always on this instrument.
 * \sa GetDigitalOutputs(), GetDigitalInputValues()
 */
ZARVO_API(uint16_t) SetDigitalOutputs(uint32_t value);
/**
 * Reads the digital outputs (instruments with digital outputs only); never written.
 * \param[out] value output bits.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE always on this instrument.
 * \sa SetDigitalOutputs()
 */
ZARVO_API(uint16_t) GetDigitalOutputs(uint32_t* value);
/**
 * Prepares ohm measurements (the ohm-measuring instrument type only).
 * \param[in] value set-up word.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE always on this instrument.
 * \sa GetOhmValues()
 */
ZARVO_API(uint16_t) SetupOhmMeasurements(uint32_t value);
/**
 * I2C write (no instrument here has an I2C bus).
 * \param[in] address device address.
 * \param[in] data bytes to write.
 * \param[in] length number of bytes.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE otherwise.
 * \sa I2CRead(), I2CWriteNoStop(), I2CSetSpeed()
 */
ZARVO_API(uint16_t) I2CWrite(uint32_t address, void* data, uint32_t length);
/**
 * I2C read (no instrument here has an I2C bus).
 * \param[in] address device address.
 * \param[out] data room for the bytes; never written.
 * \param[in] length number of bytes.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE otherwise.
 * \sa I2CWrite(), I2CReadNoStop()
 */
ZARVO_API(uint16_t) I2CRead(uint32_t address, void* data, uint32_t length);
/**
 * I2C write without a stop condition (no instrument here has an I2C bus).
 * \param[in] address device address.
 * \param[in] data bytes to write.
 * \param[in] length number of bytes.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE otherwise.
 * \sa I2CWrite()
 */
ZARVO_API(uint16_t) I2CWriteNoStop(uint32_t address, void* data, uint32_t length);
/**
 * I2C read without a stop condition (no instrument here has an I2C bus).
 * \param[in] address device address.
 * \param[out] data room for the bytes; never written.
 * \param[in] length number of bytes.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE otherwise.
 * \sa I2CRead()
 */
ZARVO_API(uint16_t) I2CReadNoStop(uint32_t address, void* data, uint32_t length);
/**
 * Sets the I2C clock (no instrument here has an I2C bus).
 * \param[in] speed clock rate.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE otherwise.
 * \sa I2CGetSpeed()
 */
ZARVO_API(uint16_t) I2CSetSpeed(uint32_t speed);
/**
 * Reads the I2C clock (no instrument here has an I2C bus).
 * \param[out] speed clock rate; never written.
 * \retval RC_NO_INSTRUMENT not Running.
 * \retval RC_UNAVAILABLE otherwise.
 * \sa I2CSetSpeed()
 */
ZARVO_API(uint16_t) I2CGetSpeed(uint32_t* speed);
/** @} */

/** \defgroup stubs Functions of the wider instrument family: always RC_UNAVAILABLE
 * Fixed answers in every lifecycle state, before InitInstrument() too: no check, nothing
 * read or written, the instrument untouched. Each keeps its argument list, so that under
 * stdcall it removes exactly its arguments from the caller's stack.
 * @{ */

/**
 * Ohm values (not implemented).
 * \param[out] values1 never written.
 * \param[out] values2 never written.
 * \return #RC_UNAVAILABLE.
 * \sa SetupOhmMeasurements()
 */
ZARVO_API(uint16_t) GetOhmValues(void* values1, void* values2);
/**
 * Active multiplexer input (not implemented).
 * \param[out] value never written.
 * \return #RC_UNAVAILABLE.
 * \sa SetActiveMirdo()
 */
ZARVO_API(uint16_t) GetActiveMirdo(void* value);
/**
 * Active multiplexer input (not implemented).
 * \param[in] value not read.
 * \return #RC_UNAVAILABLE.
 * \sa GetActiveMirdo()
 */
ZARVO_API(uint16_t) SetActiveMirdo(uint32_t value);
/**
 * Auxiliary DAC (not implemented).
 * \param[in] a not read.
 * \param[in] b not read.
 * \param[in] c not read.
 * \param[in] d not read.
 * \return #RC_UNAVAILABLE.
 * \sa \ref zarvo_family "functions of the wider instrument family"
 */
ZARVO_API(uint16_t) SetDAC1451(uint32_t a, uint32_t b, uint32_t c, uint32_t d);
/**
 * Motor output (not implemented).
 * \param[in] a not read.
 * \param[in] b not read.
 * \return #RC_UNAVAILABLE.
 * \sa \ref zarvo_family "functions of the wider instrument family"
 */
ZARVO_API(uint16_t) SetMotorOn(uint32_t a, uint32_t b);
/**
 * Function generator mode (not implemented).
 * \param[in] value not read.
 * \return #RC_UNAVAILABLE.
 * \sa GetFuncGenMode()
 */
ZARVO_API(uint16_t) SetFuncGenMode(uint32_t value);
/**
 * Function generator mode (not implemented).
 * \param[out] value never written.
 * \return #RC_UNAVAILABLE.
 * \sa SetFuncGenMode()
 */
ZARVO_API(uint16_t) GetFuncGenMode(void* value);
/**
 * Function generator amplitude range (not implemented).
 * \param[in] value not read.
 * \return #RC_UNAVAILABLE.
 * \sa GetFuncGenAmplitudeRange()
 */
ZARVO_API(uint16_t) SetFuncGenAmplitudeRange(uint32_t value);
/**
 * Function generator amplitude range (not implemented).
 * \param[out] value never written.
 * \return #RC_UNAVAILABLE.
 * \sa SetFuncGenAmplitudeRange()
 */
ZARVO_API(uint16_t) GetFuncGenAmplitudeRange(void* value);
/** @} */

#ifdef __cplusplus
}
#endif

#endif /* ZARVO_H */
