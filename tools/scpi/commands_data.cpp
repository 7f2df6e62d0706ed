// What the newest record holds: the samples of a channel, its time base, and its figures from
// the same code the view and the command-line tool use.
#include <cmath>

#include "tools/scpi/commands.h"
#include "tools/scpi/values.h"
#include "tools/scpi/waveform.h"

namespace zarvo::scpi {

namespace {

int ChannelParam(const Call& c, const char* name) {
    ExpectParams(c.unit, 1, name);
    return TakeChannel(c.unit.params[0], c.device.Channels());
}

struct Figure {
    const char* name;
    double (*value)(const cli::Stats&);
};

// A frequency of 0 means none was seen; NaN a figure the record does not show. Both are
// SCPI's "not a number".
constexpr Figure kFigures[] = {
    {":MEASure:VMIN", [](const cli::Stats& s) { return s.min; }},
    {":MEASure:VMAX", [](const cli::Stats& s) { return s.max; }},
    {":MEASure:VAVerage", [](const cli::Stats& s) { return s.mean; }},
    {":MEASure:VPP", [](const cli::Stats& s) { return s.peakToPeak; }},
    {":MEASure:VRMS", [](const cli::Stats& s) { return s.rms; }},
    {":MEASure:FREQuency", [](const cli::Stats& s) { return s.frequency > 0 ? s.frequency : NAN; }},
    {":MEASure:PERiod", [](const cli::Stats& s) { return s.period; }},
    {":MEASure:DUTYcycle", [](const cli::Stats& s) { return s.dutyCycle; }},
    {":MEASure:RISetime", [](const cli::Stats& s) { return s.riseTime; }},
    {":MEASure:FALLtime", [](const cli::Stats& s) { return s.fallTime; }},
};

}  // namespace

void AddDataRows(std::vector<Row>& rows) {
    rows.push_back({":WAVeform:DATA", nullptr, [](Call& c) {
                        const int ch = ChannelParam(c, "WAVeform:DATA?");
                        const auto record = c.device.Record();
                        c.answer = FormatTrace(Device::Trace(*record, ch), c.dialogue.format);
                    }});
    rows.push_back({":WAVeform:POINts", nullptr, [](Call& c) {
                        ExpectParams(c.unit, 0, "WAVeform:POINts?");
                        c.answer = std::to_string(c.device.Record()->size());
                    }});
    rows.push_back({":WAVeform:XINCrement", nullptr, [](Call& c) {
                        ExpectParams(c.unit, 0, "WAVeform:XINCrement?");
                        const auto record = c.device.Record();
                        c.answer = FormatNumber(record->rate > 0 ? 1 / record->rate : NAN);
                    }});
    rows.push_back({":WAVeform:XORigin", nullptr, [](Call& c) {
                        ExpectParams(c.unit, 0, "WAVeform:XORigin?");
                        const auto record = c.device.Record();
                        c.answer =
                            FormatNumber(record->rate > 0 ? -record->pre / record->rate : NAN);
                    }});
    rows.push_back({":WAVeform:YINCrement", nullptr, [](Call& c) {
                        const int ch = ChannelParam(c, "WAVeform:YINCrement?");
                        const auto record = c.device.Record();
                        c.answer = FormatNumber(Device::Trace(*record, ch).scale);
                    }});
    for (const Figure& figure : kFigures) {
        rows.push_back({figure.name, nullptr, [figure](Call& c) {
                            const int ch = ChannelParam(c, figure.name + 1);
                            c.answer = FormatNumber(figure.value(c.device.Figures(ch)));
                        }});
    }
}

}  // namespace zarvo::scpi
