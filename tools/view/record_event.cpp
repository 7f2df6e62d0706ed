#include "tools/view/record_event.h"

#include <cmath>

#include "tools/format.h"
#include "tools/stats.h"

namespace zarvo::view {

namespace {

using json = nlohmann::json;

json Figures(const cli::Stats& s) {
    return {{"min", cli::FormatSi(s.min, "V")},
            {"max", cli::FormatSi(s.max, "V")},
            {"mean", cli::FormatSi(s.mean, "V")},
            {"pp", cli::FormatSi(s.peakToPeak, "V")},
            {"rms", cli::FormatSi(s.rms, "V")},
            {"freq", cli::FormatFrequency(s.frequency)},
            {"period", cli::FormatSi(s.period, "s")},
            {"duty", std::isnan(s.dutyCycle) ? "-" : cli::FormatSi(s.dutyCycle, "%", 3)},
            {"rise", cli::FormatSi(s.riseTime, "s")},
            {"fall", cli::FormatSi(s.fallTime, "s")}};
}

}  // namespace

json RecordEvent(const station::TakenRecord& record) {
    const cli::Record volts = record.Volts();
    json traces = json::array();
    for (std::size_t k = 0; k < record.traces.size(); ++k) {
        const station::TakenTrace& t = record.traces[k];
        json codes = json::array();
        for (std::uint16_t word : t.words) codes.push_back(static_cast<int>(word) - 0x8000);
        const double perDiv = 2 * t.range / cli::kVoltDivisions;
        traces.push_back({{"channel", t.channel},
                          {"range", t.range},
                          {"scale", t.scale},
                          {"voltsPerDiv", perDiv},
                          {"perDivLabel", cli::FormatSi(perDiv, "V", 3) + "/div"},
                          {"codes", std::move(codes)},
                          {"figures", Figures(cli::Analyse(volts.traces[k].volts, record.rate))}});
    }
    const std::size_t n = record.size();
    const double span = record.rate > 0 ? static_cast<double>(n) / record.rate : 0;
    const double perDiv = cli::PerDivision(span, cli::kTimeDivisions);
    const cli::TriggerInfo& trigger = record.trigger;
    return {{"seq", record.seq},
            {"readoutMs", record.readoutMs},
            {"rate", record.rate},
            {"length", n},
            {"pre", record.pre},
            {"forced", record.forced},
            {"timePerDiv", perDiv},
            {"timeLabel", cli::FormatSi(perDiv, "s", 3) + "/div"},
            {"rateLabel", cli::FormatSi(record.rate, "Hz")},
            {"trigger",
             {{"source", trigger.source},
              {"slope", trigger.falling ? "falling" : "rising"},
              {"level", trigger.levelChannel != 0 ? json(trigger.level) : json(nullptr)}}},
            {"traces", std::move(traces)}};
}

}  // namespace zarvo::view
