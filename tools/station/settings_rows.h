// SPDX-License-Identifier: MIT
// The rows of the settings table, family by family, in the order they are applied.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/station/settings_table.h"

namespace zarvo::station {

std::vector<Setting> MakeTable();

// A library status as the settings table's answer: nothing refused on RC_OK, else the call,
// the value and the status in words.
Refusal ByLibrary(std::uint16_t status, const std::string& call, const nlohmann::json& value);

// The rate, record length, time per division and pre-trigger rows.
void AddTimebase(std::vector<Setting>& table);
// The average row: the records shown are the mean of the last N (settings_average.cpp).
void AddAverage(std::vector<Setting>& table);

// The probe factor rows, probe1 and probe2; first in the table, so that the volts of a request
// that also sets a factor are taken at the new one.
void AddProbes(std::vector<Setting>& table);

// A value in probe volts as the instrument takes it, or a sentence when the instrument's
// limits times the probe factor do not hold it.
struct InputVolts {
    double volts = 0;
    Refusal refusal;
};
InputVolts AtInput(const std::string& key, double probeVolts, double probe, double min, double max,
                   const std::string& unit);

// The decode.* rows: the bus the view decodes and its settings (decode_rows.cpp).
void AddDecode(std::vector<Setting>& table);

}  // namespace zarvo::station
