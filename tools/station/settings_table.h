// SPDX-License-Identifier: MIT
// The live view's settings as data: one row per setting names its JSON key, its type and
// range, the export that applies it and the one that reads it back. The request handler checks
// values against the rows, the measurement thread applies and reads them, and the page builds
// its controls from the same rows (served as JSON), so nothing names a knob twice.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tools/station/decode_controls.h"

namespace zarvo::station {

enum class Kind { Number, Integer, Boolean, Choice };

// The state of the acquisition loop that settings may change besides the instrument's own.
struct LoopControls {
    std::string acquire = "run";  // run, stop or single
    DecodeControls decode;        // the bus the view decodes (off by default)
    // Each channel's probe factor: the volts people read and type are at the probe tip, the
    // instrument's are these times smaller.
    std::array<double, 2> probe{1.0, 1.0};
    int average = 1;  // records averaged, sample by sample; 1: none
};

// Why a value was not taken: a sentence, and the library's status when the library refused.
struct Refusal {
    std::string sentence;
    std::uint16_t status = 0;  // RC_OK when the refusal is the view's own
    bool refused() const { return !sentence.empty(); }
};

struct Setting {
    std::string key;
    Kind kind;
    double min = 0;  // Number and Integer: the accepted range, inclusive
    double max = 0;
    std::vector<std::string> choices;  // Choice: the accepted strings
    std::string label;
    std::string unit;
    std::string applies;   // the export that applies it ("" for the loop's own state)
    std::string reads;     // the export that reads it back
    bool derived = false;  // computed from other settings: not re-applied after a restart
    // Applies a value that ProblemWith found nothing wrong with; runs on the thread that owns the
    // instrument.
    std::function<Refusal(const nlohmann::json&, LoopControls&)> apply;
    // The value the instrument really took (null when the instrument cannot say).
    std::function<nlohmann::json(const LoopControls&)> read;
};

// Every setting, in the order they are applied after a (re)start.
const std::vector<Setting>& SettingsTable();
const Setting* FindSetting(const std::string& key);

// A sentence when the value has the wrong type or lies outside the row's range; empty when
// it may be applied.
std::string ProblemWith(const Setting& setting, const nlohmann::json& value);

// The rows for the page: key, kind, range, choices, label, unit, exports.
nlohmann::json DescribeTable();

// The values the view starts with, applied after the instrument is opened.
nlohmann::json DefaultSettings();

}  // namespace zarvo::station
