// SPDX-License-Identifier: MIT
// The simulated instrument behind the real driver code: start-up finds it and reads its
// record, and what the engine programs arrives in the simulated hardware.
#include <gtest/gtest.h>

#include <memory>

#include "instrument/zarvo.h"
#include "sim/front_end.h"
#include "sim/sim_instrument.h"
#include "support/fake_platform.h"

namespace zarvo::sim {
namespace {

struct Driven {
    explicit Driven(const SimConfig& config)
        : dev(config, [this] { return std::int64_t{fp.clock} * 1'000'000; }) {
        fp.port.SetInner(&dev);
        fp.port.recording = false;
        z = std::make_unique<TZarvo>(fp);
    }
    testing::FakePlatform fp;
    SimInstrument dev;
    std::unique_ptr<TZarvo> z;
};

TEST(SimDriver, StartUpFindsTheInstrumentOnItsPortAndReadsItsRecord) {
    for (int lpt = 1; lpt <= 3; ++lpt) {
        SimConfig config;
        config.lpt = lpt;
        config.serial = static_cast<std::uint16_t>(1000 + lpt);
        Driven d(config);
        ASSERT_TRUE(d.z->StartInstrument()) << lpt;
        EXPECT_EQ(d.z->nHardwareAddress, LptBase(lpt));
        EXPECT_EQ(d.z->FPortName, "LPT" + std::to_string(lpt));
        EXPECT_EQ(d.z->FSerialNumber, 1000 + lpt);
        EXPECT_EQ(d.z->FMaxRecordLength, 32760);
        for (int r = 1; r <= 9; ++r) {
            EXPECT_EQ(d.z->FCalDac1[r], FrontEnd::FactoryGainCode(1, r)) << r;
            EXPECT_EQ(d.z->FCalDac2[r], FrontEnd::FactoryGainCode(2, r)) << r;
            EXPECT_EQ(d.z->FCalOffset[1][r], 512) << r;
        }
        // The claim taken at start-up is the instrument's port.
        EXPECT_TRUE(d.fp.IsClaimed("LPT" + std::to_string(lpt)));
    }
}

TEST(SimDriver, NoInstrumentWithoutTheMarkerOrWithoutPortAccess) {
    SimConfig noMarker;
    noMarker.marker = 0x55;
    Driven a(noMarker);
    EXPECT_FALSE(a.z->StartInstrument());
    SimConfig absent;
    absent.lpt = 0;
    Driven b(absent);
    EXPECT_FALSE(b.z->StartInstrument());
}

TEST(SimDriver, TheCalibrationDateArrivesAsStored) {
    SimConfig config;
    config.date = SimDate{2001, 3, 15, 14, 30};
    Driven d(config);
    ASSERT_TRUE(d.z->StartInstrument());
    // 15 March 2001 is day 36965 after 1899-12-30; 14:30 is 0.6041666 of a day.
    EXPECT_NEAR(d.z->ReadCalibrationDate(), 36965 + 14.5 / 24, 1e-9);
}

TEST(SimDriver, EngineProgrammingReachesTheSimulatedHardware) {
    Driven d(SimConfig{});
    ASSERT_TRUE(d.z->StartInstrument());
    Extended rate = 1e6L;
    d.z->ProgramSampleClock(rate);
    EXPECT_DOUBLE_EQ(d.dev.SampleClockHz(), 1e6);
    rate = 10.0L;
    d.z->ProgramSampleClock(rate);
    EXPECT_DOUBLE_EQ(d.dev.SampleClockHz(), 10.0);
    Extended square = 1000.0L;
    d.z->ProgramSquareWave(square);
    EXPECT_DOUBLE_EQ(d.dev.GeneratorHz(), 1000.0);
    EXPECT_DOUBLE_EQ(d.dev.SampleClockHz(), 10.0) << "the generator leaves the sample clock";
    square = 0.0L;
    d.z->ProgramSquareWave(square);
    EXPECT_EQ(d.dev.GeneratorHz(), 0.0);

    // Channel 1 on range 4 (2 V), channel 2 on range 8 (40 V), channel 2 AC coupled.
    d.z->Set_mMeasureMode(mCh12);
    d.z->FRange[1] = 4;
    d.z->FRange[2] = 8;
    d.z->FCoupling[2] = 1;
    d.z->WriteFrontEndRelays();
    EXPECT_EQ(d.dev.RelayWord(), 0x040 + 0x204 + 0x08);
    d.z->WriteFrontEndDac(2, (d.z->FCalDac1[4] - 512) * 0.00244140625L);
    d.z->WriteFrontEndDac(3, (d.z->FCalDac2[8] - 512) * 0.00244140625L);
    EXPECT_NEAR(d.dev.FullScaleVolts(1), 2.0, 1e-12);
    EXPECT_NEAR(d.dev.FullScaleVolts(2), 40.0, 1e-12);
    EXPECT_TRUE(d.dev.AcCoupled(2));
    EXPECT_FALSE(d.dev.AcCoupled(1));
}

}  // namespace
}  // namespace zarvo::sim
