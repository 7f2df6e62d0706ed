// SPDX-License-Identifier: MIT
// The measurement path never allocates: every buffer is allocated once at construction.
// This program counts every allocation made while the counter is armed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "support/bus_decoder.h"
#include "support/fake_platform.h"

namespace {
bool counting = false;
int allocations = 0;
}  // namespace

void* operator new(std::size_t size) {
    if (counting) ++allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
#include "support/malloc_delete.h"

namespace zarvo::testing {
namespace {

TEST(MeasureAllocations, NoneWhileMeasuringStartingFetchingOrReadingOut) {
    FakePlatform fp;
    TZarvo z(fp);
    AttachInstrument(z);
    ScriptedBus dev(kTestBase);
    std::uint8_t status = 0;
    dev.readRegister = [&](std::uint8_t reg) { return reg == 2 ? status : std::uint8_t{0x40}; };
    dev.readSample = [](std::uint8_t reg, long pos) {
        return static_cast<std::uint8_t>(pos * 3 + reg);
    };
    fp.port.SetInner(&dev);
    fp.port.recording = false;
    int events = 0;
    z.OnTriggered = [&](TZarvo&) { ++events; };
    z.OnMeasurementReady = [&](TZarvo&) { ++events; };
    z.Set_lRecordLength(kMaxRecordLength);
    z.nAverageNumber = 3;

    counting = true;
    for (int i = 0; i < 30; ++i) {
        status = (i % 5 == 4) ? 0x07 : 0x02;  // trigger seen, ready every fifth step
        z.MeasureStep();
    }
    z.Set_mMeasureMode(mCh1);
    z.FRequestedSampleFreq = 0;
    z.Set_rSampleFreq(50e6L);
    z.Start();
    z.FetchData();
    z.ReadAcquisition();
    counting = false;

    EXPECT_EQ(allocations, 0);
    EXPECT_GT(events, 30) << "the steps ran and raised their events";
    EXPECT_NE(z.FChannelData1[kMaxRecordLength - 1], 0) << "a full record was read";
}

}  // namespace
}  // namespace zarvo::testing
