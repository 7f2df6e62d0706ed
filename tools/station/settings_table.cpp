// SPDX-License-Identifier: MIT
// The settings table's machinery: the table built once, finding a row, checking a value, and
// the table and the defaults as the page reads them.
#include "tools/station/settings_table.h"

#include <cmath>

#include "tools/core/numbers.h"
#include "tools/core/status.h"
#include "tools/station/settings_rows.h"
#include "zarvo.h"

namespace zarvo::station {

namespace {

using json = nlohmann::json;
const char* KindName(Kind kind) {
    switch (kind) {
        case Kind::Number:
            return "number";
        case Kind::Integer:
            return "integer";
        case Kind::Boolean:
            return "boolean";
        case Kind::Choice:
            return "choice";
    }
    return "";
}

}  // namespace

const std::vector<Setting>& SettingsTable() {
    static const std::vector<Setting> table = MakeTable();
    return table;
}

const Setting* FindSetting(const std::string& key) {
    for (const Setting& s : SettingsTable()) {
        if (s.key == key) return &s;
    }
    return nullptr;
}

std::string ProblemWith(const Setting& s, const json& value) {
    const std::string what = s.key + " must be ";
    switch (s.kind) {
        case Kind::Boolean:
            return value.is_boolean() ? "" : what + "true or false, not " + value.dump();
        case Kind::Choice:
            if (value.is_string()) {
                for (const std::string& c : s.choices) {
                    if (c == value.get<std::string>()) return "";
                }
            }
            {
                std::string list;
                for (const std::string& c : s.choices) list += (list.empty() ? "" : ", ") + c;
                return what + "one of " + list + ", not " + value.dump();
            }
        case Kind::Number:
        case Kind::Integer:
            break;
    }
    if (!value.is_number()) return what + "a number, not " + value.dump();
    const double v = value.get<double>();
    if (!std::isfinite(v)) return what + "a finite number";
    if (s.kind == Kind::Integer && v != std::floor(v)) {
        return what + "a whole number, not " + value.dump();
    }
    if (v < s.min || v > s.max) {
        return what + "between " + core::CsvNumber(s.min) + " and " + core::CsvNumber(s.max) +
               (s.unit.empty() ? "" : " " + s.unit) + ", not " + value.dump();
    }
    return "";
}

json DescribeTable() {
    json rows = json::array();
    for (const Setting& s : SettingsTable()) {
        json row = {{"key", s.key},   {"kind", KindName(s.kind)}, {"label", s.label},
                    {"unit", s.unit}, {"applies", s.applies},     {"reads", s.reads}};
        if (s.kind == Kind::Number || s.kind == Kind::Integer) {
            row["min"] = s.min;
            row["max"] = s.max;
        }
        if (s.kind == Kind::Choice) row["choices"] = s.choices;
        rows.push_back(row);
    }
    return rows;
}

json DefaultSettings() {
    return {{"ch1.on", true},
            {"ch2.on", true},
            {"ch1.range", 2.0},
            {"ch2.range", 2.0},
            {"rate", 1e6},
            {"length", 2000},
            {"pre", 0},
            {"trigger.source", "ch1"},
            {"trigger.slope", "rising"},
            {"trigger.level", 0.0},
            // A signal that never crosses the level still shows, a tenth of a second late.
            {"trigger.timeout", 0.1},
            {"acquire", "run"},
            {"decode.bus", "off"}};
}

}  // namespace zarvo::station
