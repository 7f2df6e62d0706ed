// SPDX-License-Identifier: MIT
// The terminal preview capture draws: the record scaled to the signal.
#include "tools/cli/preview.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "tools/analysis/tests/sine.h"

namespace zarvo::cli {
namespace {

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++n;
    }
    return n;
}

TEST(Record, PreviewOfASmallSineInALargeRangeShowsBothPeaks) {
    core::Record record;
    record.sampleRate = 1e6;
    record.traces.push_back(core::Trace{1, 8.0, analysis::Sine(2000.0, 1.0, 0.0, 1e6, 1000)});
    record.traces.push_back(core::Trace{2, 8.0, std::vector<double>(1000, 0.25)});
    std::istringstream picture(Preview(record, 60, 12));
    std::vector<std::string> rows;
    for (std::string row; std::getline(picture, row);) rows.push_back(row);
    ASSERT_EQ(rows.size(), 14u);  // 12 rows of trace, the time span, the key
    EXPECT_EQ(rows.front().rfind(" 1 V |", 0), 0u) << rows.front();
    EXPECT_EQ(rows[11].rfind("-1 V |", 0), 0u) << rows[11];
    EXPECT_GE(Count(rows.front(), "*"), 2u) << "both positive peaks at the top";
    EXPECT_GE(Count(rows[11], "*"), 2u) << "both negative peaks at the bottom";
    for (std::size_t r = 0; r < 12; ++r) EXPECT_EQ(rows[r].size(), 60u) << r;
    EXPECT_NE(rows[4].find('o'), std::string::npos) << "channel 2 at 0.25 V";
    EXPECT_NE(rows[12].find("0 s"), std::string::npos);
    EXPECT_NE(rows[12].find("999 \xC2\xB5s"), std::string::npos) << rows[12];
    EXPECT_TRUE(Preview(core::Record{}, 60, 12).empty());
}

}  // namespace
}  // namespace zarvo::cli
