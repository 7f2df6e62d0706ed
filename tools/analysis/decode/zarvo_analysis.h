// SPDX-License-Identifier: MIT
/* The serial-bus decoders of the zarvo tools as a C interface (libzarvo_analysis.so): a
 * record's volts and a decode setting in, frames out. Independent of libzarvo.so: any volts
 * will do, from the instrument or from a file.
 *
 * The setting is the tool's --decode text, for example "uart:baud=115200",
 * "i2c:scl=1:sda=2" or "spi:mode=0:bits=8". */
#ifndef ZARVO_ANALYSIS_H
#define ZARVO_ANALYSIS_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#define ZARVO_ANALYSIS_API __declspec(dllexport)
#else
#define ZARVO_ANALYSIS_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/** Results of zarvo_decode. */
enum {
    ZARVO_DECODE_OK = 0,          /**< frames found (and all stored when they fitted) */
    ZARVO_DECODE_BAD_SETTING = 1, /**< the setting is wrong: the message names what */
    ZARVO_DECODE_NOTHING = 2,     /**< no frame: the message says why */
    ZARVO_DECODE_BAD_ARGUMENT = 3 /**< a null pointer where one is needed, a rate not above 0 */
};

/** One frame. Times in seconds from the trigger point. */
typedef struct ZarvoFrame {
    double start_s;
    double end_s;
    int32_t bus;       /**< 0 uart, 1 i2c, 2 spi */
    int32_t kind;      /**< 0 start, 1 address, 2 data, 3 ack, 4 nack, 5 stop, 6 error */
    uint32_t value;    /**< the word or the address; 1 on a repeated start */
    int32_t read;      /**< I2C address: 1 read, 0 write */
    const char* error; /**< "" or a fixed text ("framing error", ...), valid for ever */
} ZarvoFrame;

/**
 * Decodes `count` samples per channel (volts; ch1 or ch2 may be null when the setting does
 * not read that channel) taken at `rate` samples per second, the trigger point at sample
 * `trigger_index`. Stores up to `capacity` frames in `frames` (which may be null when
 * capacity is 0) and the number found in `*found`; call again with room for `*found` when
 * more were found than fitted. `message` (may be null) receives, for results other than
 * ZARVO_DECODE_OK, a sentence of at most `message_size - 1` bytes, terminated.
 */
ZARVO_ANALYSIS_API int zarvo_decode(const char* setting, const double* ch1, const double* ch2,
                                    size_t count, double rate, double trigger_index,
                                    ZarvoFrame* frames, size_t capacity, size_t* found,
                                    char* message, size_t message_size);

/** The UART baud the last successful zarvo_decode of this thread used (given or found); 0
 * for other buses. */
ZARVO_ANALYSIS_API double zarvo_decode_baud(void);

#ifdef __cplusplus
}
#endif

#endif
