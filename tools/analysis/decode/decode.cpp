// SPDX-License-Identifier: MIT
// Decoding a record: its channels turned into lines, the bus set-up's decoder run over them.
#include "tools/analysis/decode/decode.h"

#include "tools/analysis/decode/buses.h"

namespace zarvo::analysis::decode {

Result Decode(const BusSetup& setup, const Record& record) {
    Result result;
    int channels[2] = {0, 0};
    const int used = setup.Channels(channels);
    Line lines[2];
    for (int k = 0; k < used; ++k) {
        const int ch = channels[k];
        const double* volts = record.volts[ch - 1];
        if (volts == nullptr) {
            result.message = "channel " + std::to_string(ch) + " is not in the record";
            return result;
        }
        lines[k] = Cut(volts, record.count, setup.threshold);
        result.threshold[ch - 1] = lines[k].threshold;
        result.hysteresis[ch - 1] = lines[k].hysteresis;
    }
    if (!(record.rate > 0.0) || record.count < 2) {
        result.message = "the record holds no samples to decode";
        return result;
    }
    // A clock or UART line that never changes carries nothing; a data line may.
    if (lines[0].edges == 0) {
        result.message = "no edges on channel " + std::to_string(channels[0]);
        return result;
    }
    switch (setup.bus) {
        case Bus::Uart:
            DecodeUart(setup, record, lines[0], &result);
            break;
        case Bus::I2c:
            if (lines[1].edges == 0) {
                result.message = "no edges on channel " + std::to_string(channels[1]);
                break;
            }
            {
                // A clock seen fewer times a period than this shows only some of its
                // pulses: the conditions and bits read from it would be made up.
                const double perClock = SamplesPerClock(lines[0], record.count);
                if (perClock < kLeastSamplesPerClock) {
                    result.message = TooFewSamplesPerClock(perClock, record.rate);
                    break;
                }
            }
            DecodeI2c(record, lines[0], lines[1], &result);
            if (result.frames.empty()) result.message = "no start condition on the bus";
            break;
        case Bus::Spi:
            // A data line that barely moves (all zeros or all ones sent) is cut where the
            // clock is, not in the middle of its noise.
            if (!setup.threshold && lines[1].hysteresis < lines[0].hysteresis / 4.0) {
                lines[1] = Cut(record.volts[channels[1] - 1], record.count, lines[0].threshold);
                result.threshold[channels[1] - 1] = lines[1].threshold;
                result.hysteresis[channels[1] - 1] = lines[1].hysteresis;
            }
            DecodeSpi(setup, record, lines[0], lines[1], &result);
            break;
    }
    return result;
}

}  // namespace zarvo::analysis::decode
