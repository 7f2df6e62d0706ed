// SPDX-License-Identifier: MIT
// One captured record: samples in volts per channel, the time base and the trigger.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace zarvo::core {

// Volts and range are at the probe tip: the input's volts times the probe factor.
struct Trace {
    int channel = 1;
    double range = 0;  // full scale in volts
    std::vector<double> volts;
    double probe = 1;  // probe factor (10 for a x10 probe)
};

// The trigger as the instrument took it.
struct TriggerInfo {
    std::string source;    // "ch1", "ch2", "ext", "and", "or", "none"; empty: not known
    bool falling = false;  // slope
    int levelChannel = 0;  // channel whose level is marked; 0: no level to mark
    double level = 0;      // volts
};

struct Record {
    double sampleRate = 0;
    int preSamples = 0;  // index of the trigger point
    std::vector<Trace> traces;
    TriggerInfo trigger;

    std::size_t size() const { return traces.empty() ? 0 : traces.front().volts.size(); }
    // Seconds from the trigger point.
    double TimeOf(std::size_t index) const {
        if (sampleRate <= 0) return 0;
        return (static_cast<double>(index) - preSamples) / sampleRate;
    }
};

}  // namespace zarvo::core
