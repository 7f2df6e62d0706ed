// SPDX-License-Identifier: MIT
// The average row of the settings table: how many records the station averages, 1 for none.
#include "tools/analysis/record_average.h"
#include "tools/station/settings_rows.h"

namespace zarvo::station {

void AddAverage(std::vector<Setting>& table) {
    table.push_back({"average",
                     Kind::Integer,
                     1,
                     analysis::kMaxAverage,
                     {},
                     "average",
                     "",
                     "",
                     "",
                     false,
                     [](const nlohmann::json& v, LoopControls& loop) {
                         const double n = v.get<double>();
                         if (!(n >= 1 && n <= analysis::kMaxAverage)) {
                             return Refusal{"average takes 1 (off) to 256 records", 0};
                         }
                         loop.average = static_cast<int>(n);
                         return Refusal{};
                     },
                     [](const LoopControls& loop) -> nlohmann::json { return loop.average; }});
}

}  // namespace zarvo::station
