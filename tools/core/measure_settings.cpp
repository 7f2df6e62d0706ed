// SPDX-License-Identifier: MIT
// Applying measurement settings through the exports and describing what the instrument took.
#include "tools/core/measure_settings.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "tools/core/numbers.h"
#include "tools/core/setting_names.h"
#include "tools/core/status.h"
#include "zarvo.h"

namespace zarvo::core {

namespace {

std::uint8_t MeasureModeOf(const std::string& channels) {
    if (channels == "2") return mCh2;
    if (channels == "both") return mCh12;
    return mCh1;
}

void ApplyChannel(std::uint8_t ch, const ChannelSettings& settings, bool autoRange) {
    // The input sees the probe tip's volts divided by the probe factor.
    double range = settings.range / settings.probe;
    Check(SetSensitivity(ch, &range), "SetSensitivity");
    Check(SetCoupling(ch, CodeNamed(kCouplings, settings.coupling).value_or(0)), "SetCoupling");
    Check(SetDcLevel(ch, settings.dcLevel / settings.probe), "SetDcLevel");
    Check(SetAutoRanging(ch, autoRange ? 1 : 0), "SetAutoRanging");
}

}  // namespace

std::string ProbeProblem(double factor, const std::string& typed) {
    if (std::isfinite(factor) && factor >= kMinProbe && factor <= kMaxProbe) return "";
    return "a probe factor is a number from " + CsvNumber(kMinProbe) + " to " +
           CsvNumber(kMaxProbe) + ", not " + (typed.empty() ? CsvNumber(factor) : typed);
}

Obtained ApplySettings(const MeasureSettings& s) {
    const std::uint8_t mode = MeasureModeOf(s.channels);
    Check(SetMeasureMode(mode), "SetMeasureMode");
    Obtained obtained;
    if (mode != mCh2) obtained.channels.push_back(1);
    if (mode != mCh1) obtained.channels.push_back(2);
    for (int ch : obtained.channels) {
        ApplyChannel(static_cast<std::uint8_t>(ch), s.channel[static_cast<std::size_t>(ch - 1)],
                     s.autoRange);
    }

    double rate = s.rate;
    Check(SetSampleFrequencyF(&rate), "SetSampleFrequencyF");
    Check(SetRecordLength(static_cast<std::uint32_t>(s.length)), "SetRecordLength");
    // The trigger point opens the record unless asked otherwise: the instrument records only
    // from the moment it is armed, and a trigger that comes sooner than the pre-trigger span
    // leaves older memory contents in front of it.
    std::int64_t post = s.length;
    if (s.post) post = *s.post;
    if (s.pre) post = s.length - *s.pre;
    if (post < 0 || post > s.length) {
        throw ToolError("pre- or post-trigger samples exceed the record length of " +
                        std::to_string(s.length));
    }
    Check(SetPostSamples(static_cast<std::uint32_t>(post)), "SetPostSamples");

    const auto named = CodeNamed(kTriggerSources, s.trigger);
    if (!named) throw ToolError("there is no trigger source called " + s.trigger, 2);
    const std::uint8_t source = *named;
    Check(SetTriggerSource(source), "SetTriggerSource");
    Check(SetTriggerMode(CodeNamed(kSlopes, s.slope).value_or(0)), "SetTriggerMode");
    const std::uint8_t levelChannel = source == tsCh2 ? 2 : 1;
    const double levelProbe = s.channel[levelChannel - 1u].probe;
    if (source != tsNoTrig && source != tsExternal) {
        Check(SetTriggerLevel(levelChannel, s.level / levelProbe), "SetTriggerLevel");
        if (s.hysteresis) {
            Check(SetTriggerHys(levelChannel, *s.hysteresis / levelProbe), "SetTriggerHys");
        }
    }
    const double timeoutMs = std::round(s.timeout * 1000.0);
    const std::uint32_t timeout =
        (s.timeout < 0 || !std::isfinite(s.timeout) || timeoutMs > 4294967294.0)
            ? 0xFFFFFFFFu
            : static_cast<std::uint32_t>(timeoutMs);
    Check(SetTriggerTimeOut(timeout), "SetTriggerTimeOut");
    if (s.generator) {
        auto hz = static_cast<std::uint32_t>(std::clamp(std::round(*s.generator), 0.0, 1e6));
        Check(SetSquareWaveGenFrequency(&hz), "SetSquareWaveGenFrequency");
    }

    obtained.rate = GetSampleFrequencyF();
    for (int ch = 1; ch <= 2; ++ch) {
        const auto k = static_cast<std::size_t>(ch - 1);
        Check(GetSensitivity(static_cast<std::uint8_t>(ch), &obtained.range[k]), "GetSensitivity");
        obtained.probe[k] = s.channel[k].probe;
        obtained.range[k] *= obtained.probe[k];
    }
    obtained.length = GetRecordLength();
    obtained.post = GetPostSamples();
    obtained.pre = obtained.length - obtained.post;
    return obtained;
}

std::string Describe(const Obtained& o) {
    std::ostringstream out;
    out << "rate " << FormatSi(o.rate, "Hz", 6) << ", " << o.length << " samples (" << o.pre
        << " before, " << o.post << " after the trigger)";
    for (int ch : o.channels) {
        const auto k = static_cast<std::size_t>(ch - 1);
        out << ", channel " << ch << ": " << FormatSi(o.range[k], "V", 3) << " range";
        if (o.probe[k] != 1) out << " (x" << CsvNumber(o.probe[k]) << " probe)";
    }
    return out.str();
}

}  // namespace zarvo::core
