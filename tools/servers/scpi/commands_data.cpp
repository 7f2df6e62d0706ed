// SPDX-License-Identifier: MIT
// What the newest record holds: the samples of a channel, its time base, and its figures from
// the same code the view and the command-line tool use.
#include <cmath>
#include <iterator>
#include <string_view>

#include "tools/analysis/figure_statistics.h"
#include "tools/analysis/figures.h"
#include "tools/servers/scpi/commands.h"
#include "tools/servers/scpi/values.h"
#include "tools/servers/scpi/waveform.h"

namespace zarvo::scpi {

namespace {

int ChannelParam(const Call& c, const char* name) {
    ExpectParams(c.unit, 1, name);
    return TakeChannel(c.unit.params[0], c.device.Channels());
}

// The headers of the figures, in the order of the shared figures table, which gives each its
// value and says whether the record showed it. A figure not measured (no frequency seen, a
// timing figure the record does not show) answers SCPI's "not a number".
constexpr const char* kFigureHeaders[] = {
    ":MEASure:VMIN",     ":MEASure:VMAX",      ":MEASure:VAVerage", ":MEASure:VPP",
    ":MEASure:VRMS",     ":MEASure:FREQuency", ":MEASure:PERiod",   ":MEASure:DUTYcycle",
    ":MEASure:RISetime", ":MEASure:FALLtime",
};
static_assert(std::size(kFigureHeaders) == std::size(analysis::kFigureColumns),
              "one SCPI header for each figure of the shared table");

// The figure a :MEASure:STATistics? query names by its header's last word ("FREQuency").
std::size_t TakeFigure(const Param& param) {
    const char* words[std::size(kFigureHeaders)];
    for (std::size_t i = 0; i < std::size(kFigureHeaders); ++i) {
        words[i] = kFigureHeaders[i] + std::string_view(":MEASure:").size();
    }
    return TakeChoice(param, words, "MEASure:STATistics?");
}

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
    for (std::size_t i = 0; i < std::size(kFigureHeaders); ++i) {
        const char* header = kFigureHeaders[i];
        const analysis::FigureColumn& column = analysis::kFigureColumns[i];
        rows.push_back({header, nullptr, [header, &column](Call& c) {
                            const int ch = ChannelParam(c, header + 1);
                            const analysis::Stats& s = c.device.Figures(ch);
                            c.answer =
                                FormatNumber(analysis::Measured(column, s) ? s.*column.value : NAN);
                        }});
    }
    // A figure over the records taken since the statistics were reset (by a change of
    // settings): count, mean, minimum, maximum, standard deviation.
    rows.push_back(
        {":MEASure:STATistics", nullptr, [](Call& c) {
             ExpectParams(c.unit, 2, "MEASure:STATistics?");
             const std::size_t figure = TakeFigure(c.unit.params[0]);
             const int ch = TakeChannel(c.unit.params[1], c.device.Channels());
             const analysis::Running r =
                 c.device.Station().Figures().Of(static_cast<std::size_t>(ch - 1), figure);
             const bool any = r.count > 0;
             c.answer = std::to_string(r.count) + ',' + FormatNumber(any ? r.mean : NAN) + ',' +
                        FormatNumber(any ? r.min : NAN) + ',' + FormatNumber(any ? r.max : NAN) +
                        ',' + FormatNumber(any ? r.Std() : NAN);
         }});
}

}  // namespace zarvo::scpi
