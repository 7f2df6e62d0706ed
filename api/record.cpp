// SPDX-License-Identifier: MIT
#include "api/record.h"

#include <algorithm>

#include "api/library.h"

namespace zarvo::api {

int RecordCount(const TZarvo& z) {
    return std::clamp(z.lRecordLength, 0, kDataBufferSamples);
}

bool IndexInRecord(const TZarvo& z, std::int32_t index) {
    return index >= 0 && index < RecordCount(z) && index < z.FRecordSamples;
}

bool RecordHeld(const TZarvo& z) {
    return !Lib().DataFetched || RecordCount(z) <= z.FRecordSamples;
}

bool RecordCopyable(const TZarvo& z, const void* p) {
    return RecordWritable(z, p) && RecordHeld(z);
}

double RecordScale(const TZarvo& z, int ch) {
    if (ch < 1 || ch > 2 || z.FRecordRange[static_cast<std::size_t>(ch)] == 0)
        return ScaleOf(z, ch);
    return static_cast<double>(z.FRecordRange[static_cast<std::size_t>(ch)]) / 32768.0;
}

bool RecordWritable(const TZarvo& z, const void* p) {
    return p != nullptr || RecordCount(z) == 0;
}

const std::uint16_t* ChannelSamples(const TZarvo& z, int ch) {
    return ch == 1 ? z.FChannelData1.get() : z.FChannelData2.get();
}

Fetch FetchIfPending(TZarvo& z) {
    LibraryState& lib = Lib();
    if (lib.DataFetched) return Fetch::Kept;
    // Left pending on a failure, so that the next data export asks the instrument again
    // rather than hand out the previous record as this run's.
    if (!z.FetchData()) return Fetch::Lost;
    lib.DataFetched = true;
    return Fetch::Read;
}

void CopyRaw(const TZarvo& z, int ch, std::uint16_t* out) {
    const std::uint16_t* samples = ChannelSamples(z, ch);
    std::copy_n(samples, RecordCount(z), out);
}

void CopyVolts(const TZarvo& z, int ch, double scale, double* out) {
    const std::uint16_t* samples = ChannelSamples(z, ch);
    const int n = RecordCount(z);
    for (int i = 0; i < n; ++i) out[i] = SampleToVolts(samples[i], scale);
}

void ClearRecord(TZarvo& z) {
    const int n = RecordCount(z);
    std::fill_n(z.FChannelData1.get(), n, std::uint16_t{0x8000});
    std::fill_n(z.FChannelData2.get(), n, std::uint16_t{0x8000});
    z.FRecordSamples = n;
}

}  // namespace zarvo::api
