// SPDX-License-Identifier: MIT
// The station on its own, in its synchronous mode: settings applied on the caller's thread and
// one record per step, as a server's loop drives it, with settings changed between records.
#include "tools/station/station.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <nlohmann/json.hpp>

#include "tools/files/record_files.h"
#include "zarvo.h"

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
    ASSERT_EQ(station_.Apply({{"ch1.range", 2}, {"rate", 100000}, {"length", 500}}).outcome,
              Outcome::Applied);
    station_.Step();
    const auto first = station_.Latest();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->size(), 500u);
    EXPECT_EQ(first->rate, 100000);
    ASSERT_FALSE(first->traces.empty());
    EXPECT_EQ(first->traces.front().range, 2.0);

    // Settings changed between two records: the next record has them, the first is kept.
    ASSERT_EQ(station_.Apply({{"ch1.range", 8}, {"length", 300}, {"ch2.on", true}}).outcome,
              Outcome::Applied);
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
    ASSERT_EQ(station_.Apply({{"length", 400}}).outcome, Outcome::Applied);
    const json before = station_.Desired();
    const ApplyResult refused = station_.Apply({{"length", 600}, {"ch1.range", -3}});
    EXPECT_NE(refused.outcome, Outcome::Applied);
    EXPECT_TRUE(refused.body.contains("error")) << refused.body.dump();
    EXPECT_EQ(station_.Desired(), before);
    station_.Step();
    ASSERT_TRUE(station_.Latest());
    EXPECT_EQ(station_.Latest()->size(), 400u);

    ASSERT_EQ(station_.Apply({{"acquire", "stop"}}).outcome, Outcome::Applied);
    const std::uint64_t seq = station_.Latest()->seq;
    station_.Step();
    station_.Step();
    EXPECT_EQ(station_.Latest()->seq, seq);
}

// The peak of a trace in volts.
double Peak(const TakenTrace& t) {
    double peak = 0;
    for (std::size_t i = 0; i < t.words.size(); ++i) peak = std::max(peak, t.VoltsAt(i));
    return peak;
}

TEST_F(SyncStation, AProbeFactorPutsEveryVoltAtTheProbeTipAndFilesKeepIt) {
    // A x10 probe on the 1 V sine: the 20 V range is the input's 2 V, the level of 5 V its 0.5 V.
    ApplyResult set =
        station_.Apply({{"probe1", 10}, {"ch1.range", 20}, {"trigger.level", 5}, {"length", 1000}});
    ASSERT_EQ(set.outcome, Outcome::Applied) << set.body.dump();
    EXPECT_EQ(set.body["settings"]["ch1.range"], 20.0);
    EXPECT_NEAR(set.body["settings"]["trigger.level"].get<double>(), 5.0, 1e-9);
    double range = 0;
    double level = 0;
    GetSensitivity(1, &range);
    GetTriggerLevel(1, &level);
    EXPECT_EQ(range, 2.0);
    EXPECT_NEAR(level, 0.5, 1e-9);
    station_.Step();
    const auto probed = station_.Latest();
    ASSERT_TRUE(probed);
    EXPECT_EQ(probed->traces[0].range, 20.0);
    EXPECT_NEAR(Peak(probed->traces[0]), 10.0, 0.3);
    EXPECT_NEAR(probed->trigger.level, 5.0, 1e-9);
    EXPECT_NEAR(Peak(probed->traces[1]), 0.5, 0.1);  // channel 2 keeps its x1

    // Out of the input's reach behind the probe, or no factor: refused, nothing changed.
    const json before = station_.Desired();
    EXPECT_EQ(station_.Apply({{"ch1.range", 0.5}}).outcome, Outcome::Refused);
    for (const json& bad : {json(0), json(-10), json("ten"), json(20000)}) {
        EXPECT_EQ(station_.Apply({{"probe1", bad}, {"ch1.range", 2}}).outcome, Outcome::Refused)
            << bad;
    }
    EXPECT_EQ(station_.Desired(), before);

    // Every readable format gives the same probe volts back, and the factor with them.
    const core::Record volts = probed->Volts();
    for (const files::FileFormat format :
         {files::FileFormat::Csv, files::FileFormat::Sigrok, files::FileFormat::Numpy}) {
        const core::Record read =
            files::DecodeRecord(files::EncodeRecord(volts, format), format, "probed");
        ASSERT_EQ(read.traces.size(), 2u);
        EXPECT_EQ(read.traces[0].probe, 10.0);
        EXPECT_EQ(read.traces[1].probe, 1.0);
        const TakenRecord back = TakenFromVolts(read, "probed");
        for (std::size_t i = 0; i < volts.size(); i += 97) {
            EXPECT_DOUBLE_EQ(back.traces[0].VoltsAt(i), volts.traces[0].volts[i]) << i;
        }
        EXPECT_EQ(back.traces[0].probe, 10.0);
    }

    // Back to x1 between records: the same input range now reads 2 V and the sine 1 V.
    ASSERT_EQ(station_.Apply({{"probe1", 1}}).outcome, Outcome::Applied);
    EXPECT_EQ(station_.State()["settings"]["ch1.range"], 2.0);
    station_.Step();
    EXPECT_NEAR(Peak(station_.Latest()->traces[0]), 1.0, 0.03);
}

}  // namespace
}  // namespace zarvo::station
