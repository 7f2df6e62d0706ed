// SPDX-License-Identifier: MIT
// A record as an SVG plot.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "tools/core/record.h"

namespace zarvo::files {

struct PlotOptions {
    // A scope screen: a 10 x 8 graticule, each channel on its own volts per division, time
    // per division, instead of axes with figures.
    bool divisions = false;
};

// An SVG plot: time and voltage axes at 1-2-5 steps in scaled units (or the graticule), one
// trace per channel, the trigger point and level marked, a legend above the plot.
void WriteSvg(std::ostream& out, const core::Record& record, const PlotOptions& options = {});
// The whole file for one record, with the axes (the row of the formats table).
std::string EncodeSvg(const core::Record& record);

// Where the legend's entries go: left to right, a new row when the next would pass the right
// edge, so that no two boxes overlap whatever their labels.
struct LegendBox {
    double x = 0;
    double y = 0;  // top
    double width = 0;
    double height = 0;
};
std::vector<LegendBox> LayoutLegend(const std::vector<std::string>& labels, double left, double top,
                                    double width);

}  // namespace zarvo::files
