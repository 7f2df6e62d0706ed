// SPDX-License-Identifier: MIT
// An instrument that is unplugged, from the start or while it is in use, seen through the
// exported API. With nothing on the port the status lines float high, so every register reads
// as all ones: runs look complete and triggered, samples full scale, EEPROM bytes 0xFF. The
// library must recognise that no record came (RC_NO_INSTRUMENT, the previous record kept),
// keep answering with defined codes, never wait longer than its bounded waits, and give the
// port back at ExitInstrument.
#include <chrono>
#include <thread>
#include <vector>

#include "support/fault_session.h"

namespace {

using zarvo::testing::FailedStartStatus;
using zarvo::testing::FaultSession;
using zarvo::testing::IsStatusCode;
using zarvo::testing::kFetchBoundMs;
using zarvo::testing::kInitBoundMs;
using zarvo::testing::SweepEveryExport;
using zarvo::testing::SweepResult;
using zarvo::testing::TimeCall;

constexpr std::uint16_t kFloatingSample = 0xFF00;
// 1 January 1980, the date a record without a valid date reports: day, month, year.
constexpr std::uint32_t kFallbackDate = (1u << 24) | (1u << 16) | 1980u;
constexpr std::uint16_t kLength = 512;
// Long enough after the start for the start-up (three port probes of 100 ms) to have finished.
constexpr int kUnplugMs = 2000;

class Unplug : public FaultSession {
protected:
    // Starts with an instrument that goes away `ms` milliseconds after the library starts,
    // takes one record while it is there, and waits until it has gone.
    void StartAndUnplugAfter(int ms) {
        const auto begin = std::chrono::steady_clock::now();
        ASSERT_EQ(Start("unplug=" + std::to_string(ms)), RC_OK);
        ASSERT_LT(initMs_, ms) << "start-up must finish while the instrument is there";
        ASSERT_EQ(SetRecordLength(kLength), RC_OK);
        ASSERT_EQ(SetPostSamples(kLength / 2), RC_OK);
        ASSERT_EQ(SetTriggerTimeOut(kTimeOutMs), RC_OK);
        ASSERT_EQ(StartMeasurement(), RC_OK);
        before_ = Record();
        ASSERT_NE(before_[0], kFloatingSample) << "a 1 V sine on the 8 V range";
        std::this_thread::sleep_until(begin + std::chrono::milliseconds(ms + 20));
    }
    static std::vector<uint16_t> Record() {
        std::vector<uint16_t> ch1(kLength), ch2(kLength);
        EXPECT_EQ(GetMeasurementRaw(ch1.data(), ch2.data()), RC_OK);
        ch1.insert(ch1.end(), ch2.begin(), ch2.end());
        return ch1;
    }
    std::vector<uint16_t> before_;  // the record taken while the instrument was there
};

TEST_F(Unplug, UnpluggedFromTheStartNoInstrumentIsFoundAndNoPortIsKept) {
    EXPECT_EQ(Start("unplug=0"), RC_NO_INSTRUMENT);
    EXPECT_LT(initMs_, kInitBoundMs);
    for (int n = 1; n <= 3; ++n) EXPECT_TRUE(PortFree(n)) << "LPT" << n;
    for (const SweepResult& r : SweepEveryExport()) {
        EXPECT_EQ(r.status, FailedStartStatus(r.name)) << r.name;
    }
    EXPECT_EQ(InitInstrument(0), RC_NO_INSTRUMENT) << "a failed start stays failed";
}

TEST_F(Unplug, EveryExportAnswersADefinedCodeWithinTheBoundedWaits) {
    StartAndUnplugAfter(kUnplugMs);
    const std::vector<SweepResult> results = SweepEveryExport();
    for (const SweepResult& r : results) {
        EXPECT_TRUE(IsStatusCode(r.status)) << r.name << " answered " << r.status;
        EXPECT_LT(r.ms, kFetchBoundMs) << r.name;
    }
    // The values exports answer too.
    EXPECT_EQ(GetRecordLength(), kLength);
    EXPECT_EQ(GetMaxRecordLength(), 32760);
    EXPECT_EQ(GetPostSamples(), kLength / 2);
}

TEST_F(Unplug, BlockModeRunLooksCompleteButTheReadOutAnswersNoInstrument) {
    StartAndUnplugAfter(kUnplugMs);
    ASSERT_EQ(ADC_Start(), RC_OK);
    EXPECT_EQ(ADC_Ready(), 1) << "the floating lines show the run-complete bit";
    EXPECT_EQ(ADC_Triggered(), 2) << "channel 1's comparator bit, as the source asks";
    std::vector<uint16_t> ch1(kLength, 0x1234), ch2(kLength, 0x1234);
    const auto fetch = TimeCall([&] { return ADC_GetData(ch1.data(), ch2.data()); });
    EXPECT_EQ(fetch.result, RC_NO_INSTRUMENT);
    EXPECT_LT(fetch.ms, kFetchBoundMs);
    EXPECT_EQ(ch1, std::vector<uint16_t>(kLength, 0x1234)) << "nothing written on a failure";
    std::vector<double> volts(kLength);
    EXPECT_EQ(ADC_GetDataVoltCh(2, volts.data()), RC_NO_INSTRUMENT)
        << "every data export asks again, and gets no record either";
    EXPECT_EQ(Record(), before_) << "the previous record stays";

    // The identity was read at start-up; the date is read again, and the EEPROM is gone.
    int32_t serial = 0;
    EXPECT_EQ(GetSerialNumber(&serial), RC_OK);
    EXPECT_EQ(serial, 12345);
    uint32_t date = 0;
    EXPECT_EQ(GetCalibrationDate(&date), RC_OK);
    EXPECT_EQ(date, kFallbackDate);
}

TEST_F(Unplug, SingleCallMeasurementAnswersNoInstrumentAtOnceAndKeepsThePreviousRecord) {
    StartAndUnplugAfter(kUnplugMs);
    const auto measured = TimeCall([] { return StartMeasurement(); });
    EXPECT_EQ(measured.result, RC_NO_INSTRUMENT);
    EXPECT_LT(measured.ms, kFetchBoundMs);
    EXPECT_EQ(Record(), before_);
    double volts1 = 0, volts2 = 0;
    ASSERT_EQ(GetOneMeasurement(kLength - 1, &volts1, &volts2), RC_OK);
    EXPECT_NE(volts1, (kFloatingSample - 32768) * 8.0 / 32768) << "no full-scale record";
}

TEST_F(Unplug, TimerDrivenMeasuringKeepsSteppingWithoutTakingARecord) {
    StartAndUnplugAfter(kUnplugMs);
    ASSERT_EQ(DoMeasure(-1), RC_OK);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    double slowest = 0;
    while (std::chrono::steady_clock::now() < end) {
        const auto polled = TimeCall([] { return ADC_Running(); });
        slowest = std::max(slowest, polled.ms);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_LT(slowest, kFetchBoundMs);
    EXPECT_EQ(Record(), before_) << "the steps read no record off the floating lines";
    EXPECT_EQ(DoMeasure(0), RC_OK);
}

TEST_F(Unplug, ExitInstrumentGivesThePortBack) {
    StartAndUnplugAfter(kUnplugMs);
    EXPECT_FALSE(PortFree(1)) << "the port in use stays claimed while the library runs";
    EXPECT_EQ(StartMeasurement(), RC_NO_INSTRUMENT);
    EXPECT_EQ(ExitInstrument(), RC_OK);
    EXPECT_TRUE(PortFree(1));
    EXPECT_EQ(ExitInstrument(), RC_OK);
}

// A connected instrument whose inputs sit above full scale gives a record of 0xFF00 samples,
// as a port with nothing attached does; its registers tell them apart.
TEST_F(FaultSession, AFullScaleRecordOfAConnectedInstrumentIsARecord) {
    ASSERT_EQ(Start("ch1=dc:10,ch2=dc:10"), RC_OK);
    ASSERT_EQ(SetRecordLength(kLength), RC_OK);
    ASSERT_EQ(SetTriggerSource(tsNoTrig), RC_OK);
    const std::vector<uint16_t> full(kLength, kFloatingSample);
    ASSERT_EQ(StartMeasurement(), RC_OK);
    std::vector<uint16_t> ch1(kLength), ch2(kLength);
    ASSERT_EQ(GetMeasurementRaw(ch1.data(), ch2.data()), RC_OK);
    EXPECT_EQ(ch1, full);
    EXPECT_EQ(ch2, full);
    ASSERT_EQ(ADC_Start(), RC_OK);
    ASSERT_EQ(ADC_GetData(ch1.data(), ch2.data()), RC_OK);
    EXPECT_EQ(ch1, full);
}

}  // namespace
