// SPDX-License-Identifier: MIT
// Taken records: sample words to volts, and a file's volts back to words on an input range.
#include "tools/station/taken_record.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "tools/core/measure_settings.h"
#include "tools/core/numbers.h"
#include "tools/files/file_error.h"

namespace zarvo::station {

namespace {

// The word of a sample on a scale of volts per count, when the 16-bit word can hold it.
std::optional<std::uint16_t> WordOf(double volts, double scale) {
    const double count = std::round(volts / scale);
    if (!(count >= -32768 && count <= 32767)) return std::nullopt;  // NaN fails too
    return static_cast<std::uint16_t>(static_cast<int>(count) + 0x8000);
}

// The trace on the input's `range` behind its probe, or none when a sample lies beyond it.
std::optional<TakenTrace> OnRange(const core::Trace& trace, double range) {
    const double probe = trace.probe;
    TakenTrace taken{trace.channel, range * probe, range * probe / 32768, {}, probe};
    taken.words.reserve(trace.volts.size());
    for (double v : trace.volts) {
        const auto word = WordOf(v, taken.scale);
        if (!word) return std::nullopt;
        taken.words.push_back(*word);
    }
    return taken;
}

bool IsInputRange(double range) {
    return std::any_of(std::begin(kInputRanges), std::end(kInputRanges),
                       [&](double r) { return std::fabs(range - r) <= r * 1e-9; });
}

}  // namespace

std::vector<double> TakenTrace::Volts() const {
    std::vector<double> volts(words.size());
    for (std::size_t i = 0; i < volts.size(); ++i) volts[i] = VoltsAt(i);
    return volts;
}

core::Record TakenRecord::Volts() const {
    core::Record r;
    r.sampleRate = rate;
    r.preSamples = pre;
    r.trigger = trigger;
    for (const TakenTrace& t : traces) {
        r.traces.push_back(core::Trace{t.channel, t.range, t.Volts(), t.probe});
    }
    return r;
}

// Exact for every file this tool wrote: the instrument's volts are whole counts times
// range / 32768, one rounding of the product. The file keeps them to far better than half a
// count (npz as the same doubles, sr as 32-bit floats, 24 bits of mantissa for 16 of count;
// CSV to 8 digits), so rounding volts / scale gives each count back and the view computes
// the same volts again. A CSV names no range; on the smallest range that holds the samples
// the counts are still whole: the 8-bit converter's counts are multiples of 256, and two
// ranges differ by a factor 2^i 5^j that halves at most once. Other programs' volts are
// rounded to 1/32768 of the range, 256 times finer than the converter's step.
TakenRecord TakenFromVolts(const core::Record& record, const std::string& name) {
    TakenRecord taken;
    taken.rate = record.sampleRate;
    taken.pre = record.preSamples;
    taken.trigger = record.trigger;
    for (const core::Trace& trace : record.traces) {
        std::optional<TakenTrace> onRange;
        if (!(trace.probe >= core::kMinProbe && trace.probe <= core::kMaxProbe)) {
            files::FailFile(name, "channel " + std::to_string(trace.channel) + ": " +
                                      core::ProbeProblem(trace.probe));
        }
        const double inputRange = trace.range / trace.probe;
        if (IsInputRange(inputRange)) onRange = OnRange(trace, inputRange);
        for (double range : kInputRanges) {
            if (!onRange) onRange = OnRange(trace, range);
        }
        if (!onRange) {
            double peak = 0;
            for (double v : trace.volts) peak = std::max(peak, std::fabs(v));
            // No prefix names 1e300 V: a plain number beyond the gigavolts.
            const std::string volts =
                peak < 1e9 ? core::FormatSi(peak, "V") : core::CsvNumber(peak, 3) + " V";
            files::FailFile(
                name,
                "channel " + std::to_string(trace.channel) + " reaches " + volts +
                    ", beyond the instrument's largest range of " +
                    core::FormatSi(std::end(kInputRanges)[-1] * trace.probe, "V") +
                    (trace.probe == 1 ? std::string()
                                      : " with its x" + core::CsvNumber(trace.probe) + " probe"));
        }
        taken.traces.push_back(std::move(*onRange));
    }
    std::sort(taken.traces.begin(), taken.traces.end(),
              [](const TakenTrace& a, const TakenTrace& b) { return a.channel < b.channel; });
    return taken;
}

}  // namespace zarvo::station
