// SPDX-License-Identifier: MIT
// The station on its own, in its synchronous mode: settings applied on the caller's thread and
// one record per step, as a server's loop drives it, with settings changed between records.
#include "tools/station/station.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <nlohmann/json.hpp>

namespace zarvo::station {
namespace {

using json = nlohmann::json;

class SyncStation : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("ZARVO_SIM", "ch1=sine:1000:1,ch2=dc:0.5", 1);
        ASSERT_TRUE(station_.Open());
    }
    Station station_{Station::Mode::Synchronous};
};

TEST_F(SyncStation, EachStepTakesOneRecordWithTheSettingsAppliedBeforeIt) {
    ASSERT_EQ(station_.Apply({{"ch1.range", 2}, {"rate", 100000}, {"length", 500}}).httpStatus,
              200);
    station_.Step();
    const auto first = station_.Latest();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->size(), 500u);
    EXPECT_EQ(first->rate, 100000);
    ASSERT_FALSE(first->traces.empty());
    EXPECT_EQ(first->traces.front().range, 2.0);

    // Settings changed between two records: the next record has them, the first is kept.
    ASSERT_EQ(station_.Apply({{"ch1.range", 8}, {"length", 300}, {"ch2.on", true}}).httpStatus,
              200);
    station_.Step();
    const auto second = station_.Latest();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->seq, first->seq + 1);
    EXPECT_EQ(second->size(), 300u);
    ASSERT_EQ(second->traces.size(), 2u);
    EXPECT_EQ(second->traces[0].range, 8.0);
    EXPECT_NEAR(second->traces[1].VoltsAt(10), 0.5, 0.1);
    const auto kept = station_.Find(first->seq);
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->size(), 500u);
}

TEST_F(SyncStation, ARefusedSettingChangesNothingAndStopTakesNoMoreRecords) {
    ASSERT_EQ(station_.Apply({{"length", 400}}).httpStatus, 200);
    const json before = station_.Desired();
    const ApplyResult refused = station_.Apply({{"length", 600}, {"ch1.range", -3}});
    EXPECT_NE(refused.httpStatus, 200);
    EXPECT_TRUE(refused.body.contains("error")) << refused.body.dump();
    EXPECT_EQ(station_.Desired(), before);
    station_.Step();
    ASSERT_TRUE(station_.Latest());
    EXPECT_EQ(station_.Latest()->size(), 400u);

    ASSERT_EQ(station_.Apply({{"acquire", "stop"}}).httpStatus, 200);
    const std::uint64_t seq = station_.Latest()->seq;
    station_.Step();
    station_.Step();
    EXPECT_EQ(station_.Latest()->seq, seq);
}

}  // namespace
}  // namespace zarvo::station
