// SPDX-License-Identifier: MIT
// The instrument's settings: each SCPI header is a key of the station's settings table, whose
// row gives its kind and range; the command applies it through the station and the query
// answers what the instrument took.
#include <cmath>
#include <stdexcept>

#include "tools/servers/scpi/commands.h"
#include "tools/servers/scpi/values.h"

namespace zarvo::scpi {

namespace {

using json = nlohmann::json;
using station::Kind;

// A SCPI mnemonic and the value the station's table has for it.
struct Choice {
    const char* mnemonic;
    const char* value;
};

// The range a value is checked against now; the station table's when null.
using Bounds = std::function<void(Call&, NumberLimits&)>;

struct SettingRow {
    const char* pattern;  // '#' is the channel
    const char* key;      // '#' is the channel
    std::string_view unit = {};
    std::vector<Choice> choices = {};
    Bounds bounds = nullptr;
};

// `text` with its '#' (if any) replaced by a channel.
std::string WithChannel(std::string text, int channel) {
    const std::size_t hash = text.find('#');
    if (hash != std::string::npos) text.replace(hash, 1, std::to_string(channel));
    return text;
}

// The same with the channel the command was sent with.
std::string WithSuffix(const std::string& text, const Call& call) {
    return WithChannel(text, call.Suffix());
}

// The kind of the table's row a SCPI row names (channel 1's: both channels' rows are alike).
Kind KindOf(const SettingRow& row) {
    const station::Setting* setting = station::FindSetting(WithChannel(row.key, 1));
    if (setting == nullptr) throw std::logic_error(std::string("no setting ") + row.key);
    return setting->kind;
}

std::string KeyOf(const char* key, const Call& call) {
    return WithSuffix(key, call);
}

std::string NameOf(const char* pattern, const Call& call) {
    const std::string text = WithSuffix(ShortForm(pattern), call);
    return text.substr(text.front() == ':' ? 1 : 0);
}

NumberLimits LimitsOf(const SettingRow& row, Call& call) {
    const std::string key = KeyOf(row.key, call);
    NumberLimits limits{row.unit, 0, 0, 0, false};
    if (const station::Setting* setting = station::FindSetting(key)) {
        limits.integer = setting->kind == Kind::Integer;
        limits.min = setting->min;
        limits.max = setting->max;
    }
    const json& startup = call.device.Startup();
    if (startup.contains(key) && startup[key].is_number()) limits.def = startup[key].get<double>();
    if (row.bounds) row.bounds(call, limits);
    return limits;
}

double Number(Call& call, const std::string& key) {
    const json value = call.device.Setting(key);
    return value.is_number() ? value.get<double>() : 0.0;
}

// The channel whose comparator the trigger uses: channel 2 for its own source, else 1.
std::string TriggerChannel(Call& call) {
    return call.device.Setting("trigger.source") == json("ch2") ? "ch2" : "ch1";
}

std::string Answer(const SettingRow& row, Kind kind, const json& value) {
    switch (kind) {
        case Kind::Boolean:
            return value == json(true) ? "1" : "0";
        case Kind::Number:
        case Kind::Integer:
            return FormatNumber(value.is_number() ? value.get<double>() : NAN);
        case Kind::Choice:
            for (const Choice& c : row.choices) {
                if (value == json(c.value)) return ShortForm(c.mnemonic);
            }
            break;
    }
    // A state the table has no mnemonic for (a trigger mode set by another program).
    std::string text = value.is_string() ? value.get<std::string>() : value.dump();
    for (char& c : text)
        c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : (c == ' ' ? '_' : c);
    return text;
}

Row MakeRow(const SettingRow& row) {
    const Kind kind = KindOf(row);
    auto command = [row, kind](Call& call) {
        const std::string name = NameOf(row.pattern, call);
        ExpectParams(call.unit, 1, name);
        const Param& param = call.unit.params[0];
        json value;
        switch (kind) {
            case Kind::Boolean:
                value = TakeBoolean(param, name);
                break;
            case Kind::Number:
                value = TakeNumber(param, LimitsOf(row, call), name);
                break;
            case Kind::Integer:
                // In range, so the conversion is exact.
                value = static_cast<std::int64_t>(TakeNumber(param, LimitsOf(row, call), name));
                break;
            case Kind::Choice: {
                std::vector<const char*> mnemonics;
                for (const Choice& c : row.choices) mnemonics.push_back(c.mnemonic);
                value = row.choices[TakeChoice(param, mnemonics, name)].value;
                break;
            }
        }
        call.device.Apply({{KeyOf(row.key, call), value}});
    };
    auto query = [row, kind](Call& call) {
        const std::string name = NameOf(row.pattern, call) + "?";
        if (!call.unit.params.empty() && (kind == Kind::Number || kind == Kind::Integer)) {
            ExpectParams(call.unit, 1, name);
            double bound = 0;
            if (!TakeBound(call.unit.params[0], LimitsOf(row, call), bound)) {
                throw Refused(code::kIllegalValue,
                              name + " takes MIN, MAX or DEF, not " + call.unit.params[0].written);
            }
            call.answer = FormatNumber(bound);
            return;
        }
        ExpectParams(call.unit, 0, name);
        call.answer = Answer(row, kind, call.device.Setting(KeyOf(row.key, call)));
    };
    return {row.pattern, command, query};
}

void AddGenerator(std::vector<Row>& rows) {
    // The square-wave output: the station has one setting for it, its frequency, with 0 for
    // off; the frequency asked for while it is off is kept here until it is switched on.
    static constexpr NumberLimits kFrequency{"HZ", 100, 100000, 1000, false};
    rows.push_back(
        {":SOURce:FREQuency",
         [](Call& c) {
             ExpectParams(c.unit, 1, "SOURce:FREQuency");
             const double hz = TakeNumber(c.unit.params[0], kFrequency, "SOURce:FREQuency");
             if (Number(c, "generator") > 0) {
                 c.device.Apply({{"generator", hz}});
                 c.device.generatorHz = Number(c, "generator");
             } else {
                 c.device.generatorHz = hz;
             }
         },
         [](Call& c) {
             double bound = 0;
             if (c.unit.params.size() == 1 && TakeBound(c.unit.params[0], kFrequency, bound)) {
                 c.answer = FormatNumber(bound);
                 return;
             }
             ExpectParams(c.unit, 0, "SOURce:FREQuency?");
             const double on = Number(c, "generator");
             c.answer = FormatNumber(on > 0 ? on : c.device.generatorHz);
         }});
    rows.push_back({":OUTPut[:STATe]",
                    [](Call& c) {
                        ExpectParams(c.unit, 1, "OUTPut");
                        if (TakeBoolean(c.unit.params[0], "OUTPut")) {
                            c.device.Apply({{"generator", c.device.generatorHz}});
                            c.device.generatorHz = Number(c, "generator");
                        } else {
                            c.device.Apply({{"generator", 0}});
                        }
                    },
                    [](Call& c) {
                        ExpectParams(c.unit, 0, "OUTPut?");
                        c.answer.assign(1, Number(c, "generator") > 0 ? '1' : '0');
                    }});
}

}  // namespace

void AddSettingRows(std::vector<Row>& rows) {
    const std::vector<Choice> coupling = {{"DC", "dc"}, {"AC", "ac"}};
    const std::vector<Choice> sources = {{"CH1", "ch1"}, {"CH2", "ch2"}, {"EXTernal", "ext"},
                                         {"AND", "and"}, {"OR", "or"},   {"IMMediate", "none"}};
    const std::vector<Choice> slopes = {{"POSitive", "rising"}, {"NEGative", "falling"}};
    auto rangeBounds = [](Call& c, NumberLimits& limits) {
        // The input's ranges at the probe tip.
        const double probe = Number(c, "probe" + std::to_string(c.Suffix()));
        limits.min = 0.2 * probe;
        limits.max = 80 * probe;
    };
    auto offsetBounds = [](Call& c, NumberLimits& limits) {
        // The DC level reaches twice the range either way.
        const double range = Number(c, "ch" + std::to_string(c.Suffix()) + ".range");
        limits.min = -2 * range;
        limits.max = 2 * range;
        limits.def = 0;
    };
    auto levelBounds = [](Call& c, NumberLimits& limits) {
        const double range = Number(c, TriggerChannel(c) + ".range");
        limits.min = -range;
        limits.max = range;
        limits.def = 0;
    };
    auto hysteresisBounds = [](Call& c, NumberLimits& limits) {
        limits.max = Number(c, TriggerChannel(c) + ".range");
    };
    const SettingRow table[] = {
        {":CHANnel#:STATe", "ch#.on"},
        {":CHANnel#:PROBe", "probe#"},
        {":CHANnel#:RANGe", "ch#.range", "V", {}, rangeBounds},
        {":CHANnel#:COUPling", "ch#.coupling", {}, coupling},
        {":CHANnel#:OFFSet", "ch#.dcLevel", "V", {}, offsetBounds},
        {":CHANnel#:AUTO", "ch#.autoRange"},
        {":ACQuire:SRATe", "rate", "HZ"},
        {":ACQuire:POINts",
         "length",
         {},
         {},
         [](Call& c, NumberLimits& limits) { limits.max = c.device.MaxLength(); }},
        {":ACQuire:PRETrigger",
         "pre",
         {},
         {},
         [](Call& c, NumberLimits& limits) { limits.max = Number(c, "length"); }},
        {":TIMebase:SCALe", "timePerDiv", "S"},
        {":TRIGger:SOURce", "trigger.source", {}, sources},
        {":TRIGger:SLOPe", "trigger.slope", {}, slopes},
        {":TRIGger:LEVel", "trigger.level", "V", {}, levelBounds},
        {":TRIGger:HYSTeresis", "trigger.hysteresis", "V", {}, hysteresisBounds},
        {":TRIGger:TIMeout", "trigger.timeout", "S"},
        {":ACQuire:AVERage", "average"},
    };
    for (const SettingRow& row : table) rows.push_back(MakeRow(row));
    AddGenerator(rows);
}

}  // namespace zarvo::scpi
