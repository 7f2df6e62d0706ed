// SPDX-License-Identifier: MIT
// The probe factor rows and the translation of the volts at the probe tip to the input's.
#include <algorithm>
#include <cmath>

#include "tools/core/measure_settings.h"
#include "tools/core/numbers.h"
#include "tools/station/settings_rows.h"

namespace zarvo::station {

using json = nlohmann::json;

InputVolts AtInput(const std::string& key, double probeVolts, double probe, double min, double max,
                   const std::string& unit) {
    const double volts = probeVolts / probe;
    // A value typed at a limit times the factor may come back a rounding off it.
    const double slack = 1e-9 * std::max(std::fabs(min), std::fabs(max));
    if (volts >= min - slack && volts <= max + slack) return {std::clamp(volts, min, max), {}};
    return {0,
            {key + " must be between " + core::CsvNumber(min * probe) + " and " +
                 core::CsvNumber(max * probe) + " " + unit + " with the x" +
                 core::CsvNumber(probe) + " probe, not " + core::CsvNumber(probeVolts),
             0}};
}

void AddProbes(std::vector<Setting>& table) {
    for (std::size_t k = 0; k < 2; ++k) {
        const std::string n = std::to_string(k + 1);
        // The view's own: the instrument knows nothing of the probe on its input.
        table.push_back({"probe" + n,
                         Kind::Number,
                         core::kMinProbe,
                         core::kMaxProbe,
                         {},
                         "probe " + n,
                         "",
                         "",
                         "",
                         false,
                         [k](const json& v, LoopControls& loop) {
                             loop.probe[k] = v.get<double>();
                             return Refusal{};
                         },
                         [k](const LoopControls& loop) -> json { return loop.probe[k]; }});
    }
}

}  // namespace zarvo::station
