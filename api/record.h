// SPDX-License-Identifier: MIT
// The sample record as the data exports see it: the component's two result buffers, the
// fetch out of the hardware in block mode, and the conversion of samples to volts.
#pragma once

#include <cstdint>

#include "instrument/zarvo.h"

namespace zarvo::api {

// Samples per channel that a whole-record export writes: lRecordLength, never more than the
// buffers hold.
int RecordCount(const TZarvo& z);

// Whether a single-sample index names a sample of the record in the buffers: below the record
// length, and below the samples the last read-out took.
bool IndexInRecord(const TZarvo& z, std::int32_t index);

// Whether the buffers hold the lRecordLength samples a whole-record export copies: after the
// record length grew, the last record is shorter until the next measurement. A fetch still
// due reads the record out at the current length.
bool RecordHeld(const TZarvo& z);

// A whole-record export may write this array (RecordWritable) and has the record to copy
// (RecordHeld).
bool RecordCopyable(const TZarvo& z, const void* p);

// Volts per count of a channel's record: the range it was taken with (the current range
// before the first read-out of that channel).
double RecordScale(const TZarvo& z, int ch);

// Whether a caller's whole-record array may be written: a null one is refused unless the
// record is empty, when nothing would be written to it.
bool RecordWritable(const TZarvo& z, const void* p);

// The result buffer of channel 1 or 2.
const std::uint16_t* ChannelSamples(const TZarvo& z, int ch);

// What the fetch step of a data export did.
enum class Fetch {
    Kept,  // the record in the buffers was already read out
    Read,  // the pending run has just been read out
    Lost,  // the instrument gave no record: the run stays pending, the buffers as they were
};

// Block mode: the first data export after ADC_Start reads the record out of the hardware;
// later ones reuse it.
Fetch FetchIfPending(TZarvo& z);

// 0x8000 is 0 V; each count is scale volts.
inline double SampleToVolts(std::uint16_t sample, double scale) {
    return static_cast<double>(static_cast<int>(sample) - 32768) * scale;
}

void CopyRaw(const TZarvo& z, int ch, std::uint16_t* out);
void CopyVolts(const TZarvo& z, int ch, double scale, double* out);

// Sets every sample of the current record of both channels to 0 V.
void ClearRecord(TZarvo& z);

}  // namespace zarvo::api
