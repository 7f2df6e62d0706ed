// SPDX-License-Identifier: MIT
// Readout of a finished acquisition: find the record behind the trigger point in the circular
// memory, seek there, read one 8-bit sample per channel and memory position, interleave the
// converters in double-rate mode, blend into the running average, and leave the auto-ranging
// requests for the next arm.
//
// The sample loop talks to the port directly, nine port operations per memory position with
// one channel and sixteen with two (advance strobe included); it calls nothing else and
// allocates nothing, so a full record costs only port time.
#include <algorithm>

#include "engine/bus_lines.h"
#include "instrument/zarvo.h"

namespace zarvo {

namespace {

// The memory position of the first record sample lies this many positions further behind
// the address counter than pre- plus post-trigger samples.
constexpr std::int64_t kPipelineDelay = 5;

// Auto-ranging limits on a 16-bit sample (converter value in the high byte).
constexpr std::uint16_t kClipHigh = 0xFD00;  // above: clipped (converter value > 253)
constexpr std::uint16_t kClipLow = 0x0300;   // below: clipped (converter value < 3)
constexpr std::uint16_t kBandLow = 0x5400;   // at or below: outside the middle band
constexpr std::uint16_t kBandHigh = 0xAC00;  // at or above: outside the middle band

// What one readout learnt about a channel's level.
struct LevelCheck {
    bool clipped = false;
    bool inBand = true;

    void Check(std::uint16_t v) {
        if (v > kClipHigh || v < kClipLow) clipped = true;
        if (v <= kBandLow || v >= kBandHigh) inBand = false;
    }
};

constexpr std::int64_t kDataCapacity = kDataBufferSamples;
constexpr std::int64_t kSumCapacity = kSumBufferElements;

}  // namespace

bool TZarvo::ReadAcquisition() {
    if (!FInstrumentFound || !FPortAccess) return false;
    // The run is read out as it was armed: a change of measure mode or rate since then has
    // not reached the converters' routing yet.
    const bool doubleRate = FArmedDoubleRate;
    const int channels = doubleRate ? 3 : FArmedChannels;
    const bool ch1 = (channels & 1) != 0;
    const bool ch2 = (channels & 2) != 0;

    SelectDevice(bus::kAcquisitionDevice);
    BankWrite(bus::kControlBank, bus::kCommand, bus::kStop);
    const std::int32_t low = ReadRegister(bus::kAddressLow);
    const std::int32_t high = ReadRegister(bus::kAddressHigh);
    // The counter has 15 bits, so its high register never reads 0xFF from an instrument; a
    // port with nothing attached reads all ones everywhere. Only when both counter registers
    // read so is the status register asked too (an instrument drives only its bits 0 to 2),
    // so the read-out of a working instrument costs no port operation more.
    if (low == 0xFF && high == 0xFF && PortFloats()) return false;
    const std::int32_t end = (high * 256 + low) & bus::kAddressMask;
    SelectDevice(bus::kAcquisitionDevice);

    // 64-bit arithmetic: the sample counts are unchecked 32-bit settings.
    const std::int64_t pre = lPreSamples;
    const std::int64_t post = lPostSamples;
    std::int64_t start = end - post - pre - kPipelineDelay;
    // In double rate a memory position holds two samples, so the pre-trigger part takes
    // half as many positions.
    if (doubleRate) start += pre / 2;
    // The memory wraps after 0x7FFF positions as the counter sees it.
    if (start < 0) start += bus::kAddressMask;
    // An instrument that never ends the seek has not moved its read position to the record:
    // what it would give is not the record, so the buffers keep the previous one.
    if (!SeekMemory(static_cast<std::uint16_t>(static_cast<std::uint64_t>(start) & 0xFFFF))) {
        return false;
    }

    // Make the sample port the current control-bank sub-register: device 0, address
    // register 0, then the sub-register number, leaving the address latch on register 0.
    const std::int32_t base = bus::PortBase(nHardwareAddress);
    const std::int32_t data = base + bus::kData;
    const std::int32_t status = base + bus::kStatus;
    const std::int32_t control = base + bus::kControl;
    PortOut(control, bus::kIdle);
    PortOut(data, bus::kAcquisitionDevice);
    PortOut(control, bus::kSelectStrobe);
    PortOut(control, bus::kIdle);
    PortOut(data, BankIndexReg[bus::kControlBank]);
    PortOut(control, bus::kAddressLatch);
    PortOut(control, bus::kIdle);
    PortOut(data, bus::kSamplePort);
    PortOut(control, bus::kWriteStrobe);
    PortOut(control, bus::kIdle);

    FRangeStep[1] = 0;
    FRangeStep[2] = 0;
    std::array<LevelCheck, 3> level{};  // [1..2]

    // One converter's sample at the current memory position: seven port operations.
    const auto readSample = [&](std::uint8_t reg) -> std::uint16_t {
        PortOut(data, reg);
        PortOut(control, bus::kAddressLatch);
        PortOut(control, bus::kSampleCapture);
        PortOut(control, bus::kAddressLatch);
        const std::uint8_t lowNibble = bus::Nibble(PortIn(status));  // data bit 0 is 0 here
        PortOut(data, bus::kHighNibble);
        const std::uint8_t highNibble = bus::Nibble(PortIn(status));
        return static_cast<std::uint16_t>(highNibble * 0x1000 + lowNibble * 0x100);
    };
    const auto advance = [&] {
        PortOut(control, bus::kAdvance);
        PortOut(control, bus::kAddressLatch);
    };

    std::uint16_t* const data1 = FChannelData1.get();
    std::uint16_t* const data2 = FChannelData2.get();
    if (!doubleRate) {
        // One position more than the record: 0 .. pre + post.
        const std::int64_t last = std::min(pre + post, kDataCapacity - 1);
        for (std::int64_t i = 0; i <= last; ++i) {
            std::uint16_t s1 = 0;
            std::uint16_t s2 = 0;
            if (ch1) s1 = readSample(bus::kSampleCh1);
            if (ch2) s2 = readSample(bus::kSampleCh2);
            advance();
            if (ch1) {
                data1[i] = s1;
                level[1].Check(s1);
            }
            if (ch2) {
                data2[i] = s2;
                level[2].Check(s2);
            }
        }
    } else {
        // Both converters sample channel 1 half a clock apart. A negative pre-trigger count
        // (record shorter than the post-trigger part) counts as 0 here, so the raw indices
        // stay inside the buffers; the seek above already placed the record start.
        const std::int64_t rawPre = std::max<std::int64_t>(pre, 0);
        const std::int64_t first = rawPre / 2;
        const std::int64_t last = std::min(post / 2 + rawPre + 2, kDataCapacity - 1);
        std::uint16_t* const raw1 = FRawBuffer1.get();
        std::uint16_t* const raw2 = FRawBuffer2.get();
        for (std::int64_t k = first; k <= last; ++k) {
            const std::uint16_t a = readSample(bus::kSampleCh1);
            const std::uint16_t b = readSample(bus::kSampleCh2);
            advance();
            raw1[k] = a;
            raw2[k] = b;
        }
        if (first < kDataCapacity) {
            // Converter 2's sample of a position precedes converter 1's.
            data1[0] = raw2[first];
            const std::int64_t pairs =
                std::min({static_cast<std::int64_t>(lRecordLength) / 2 + 1, (kDataCapacity - 1) / 2,
                          kDataCapacity - 1 - first});
            for (std::int64_t j = 1; j <= pairs; ++j) {
                const std::uint16_t early = raw2[first + j];
                const std::uint16_t late = raw1[first + j];
                data1[2 * j - 1] = early;
                data1[2 * j] = late;
                level[1].Check(early);
                level[1].Check(late);
            }
        }
    }

    // The device latch still selects the acquisition section.
    BankWrite(bus::kCh1Bank, bus::kChannelRearm, 0);
    BankWrite(bus::kCh2Bank, bus::kChannelRearm, 0);
    // A fill run over the whole memory at the fastest clock follows every readout; nothing
    // depends on whether it finished within its wait.
    (void)FillMemory();

    if (nAverageNumber != 1) {
        const bool average1 = mMeasureMode == mCh1 || mMeasureMode == mCh12 || mMeasureMode == mXY;
        const bool average2 = mMeasureMode == mCh2 || mMeasureMode == mCh12 || mMeasureMode == mXY;
        // Measurement N of a run enters with weight 1/N; the first one replaces the average.
        // A counter below 1 cannot come from the state machine and is taken as the first.
        const std::int32_t n = std::max(nCalculations, 1);
        const long double weight = n;
        const std::int64_t last = std::min(pre + post, kSumCapacity - 1);
        const auto blend = [&](std::uint16_t* samples, float* sums) {
            for (std::int64_t i = 0; i <= last; ++i) {
                const float x = samples[i];
                const long double avg = n == 1 ? x : x / weight + (weight - 1) * sums[i] / weight;
                const auto stored = static_cast<float>(avg);
                sums[i] = stored;
                samples[i] = RoundSaturate<std::uint16_t>(stored);
            }
        };
        if (average1) blend(data1, FSumBuffer1.get());
        if (average2) blend(data2, FSumBuffer2.get());
    }

    // Only a recorded channel asks for a step: in double rate both converters read channel 1.
    const int recorded = doubleRate ? 1 : FArmedChannels;
    for (int ch = 1; ch <= 2; ++ch) {
        if ((recorded & (1 << (ch - 1))) == 0) continue;
        FRecordRange[ch] = FArmedRange[ch];
        if (level[ch].inBand && FRange[ch] > 1) FRangeStep[ch] = -1;
        if (level[ch].clipped && FRange[ch] < FNrRanges) FRangeStep[ch] = +1;
    }
    FRecordSamples = std::clamp(lRecordLength, 0, kDataBufferSamples);
    return true;
}

}  // namespace zarvo
