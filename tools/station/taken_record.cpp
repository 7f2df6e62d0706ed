#include "tools/station/taken_record.h"

namespace zarvo::station {

cli::Record TakenRecord::Volts() const {
    cli::Record r;
    r.sampleRate = rate;
    r.preSamples = pre;
    r.trigger = trigger;
    for (const TakenTrace& t : traces) {
        std::vector<double> volts(t.words.size());
        for (std::size_t i = 0; i < volts.size(); ++i) volts[i] = t.VoltsAt(i);
        r.traces.push_back(cli::Trace{t.channel, t.range, std::move(volts)});
    }
    return r;
}

}  // namespace zarvo::station
