// SPDX-License-Identifier: MIT
// Measurements through DLL.dll against the simulated instrument (ZARVO_SIM): block mode, the
// single-call measurement, and timer-driven measuring whose ticks arrive only through the
// calling thread's message loop. Channel 1 carries the simulator's default 1 kHz sine of 1 V
// amplitude; channel 2 the instrument's own square-wave output (0 V low, 1 V high).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "dll_support.h"

namespace zarvo_test {
namespace {

constexpr double kSampleRate = 100e3;  // 512 samples: about five periods of 1 kHz

void PumpMessagesFor(DWORD ms) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(1);
    }
}

class DllMeasure : public ::testing::Test {
protected:
    void StartWith(const char* config) {
        UseSimulatedInstrument(config);
        ASSERT_NE(dll.Module(), nullptr);
        ASSERT_EQ(ZT_EXPORT(dll, InitInstrument)(0), RC_OK);
        for (std::uint8_t ch = 1; ch <= 2; ++ch) {
            double range = 2.0;
            ASSERT_EQ(ZT_EXPORT(dll, SetSensitivity)(ch, &range), RC_OK);
            ASSERT_DOUBLE_EQ(range, 2.0);
        }
        double rate = kSampleRate;
        ASSERT_EQ(ZT_EXPORT(dll, SetSampleFrequencyF)(&rate), RC_OK);
        ASSERT_NEAR(rate, kSampleRate, kSampleRate * 0.01);
        std::uint32_t squareWave = 1000;
        ASSERT_EQ(ZT_EXPORT(dll, SetSquareWaveGenFrequency)(&squareWave), RC_OK);
        ASSERT_EQ(squareWave, 1000u);
        recordLength = ZT_EXPORT(dll, GetRecordLength)();
        ASSERT_GT(recordLength, 200);
        // The whole record after the trigger: samples before it may still hold an older
        // record when the trigger comes soon after arming.
        ASSERT_EQ(ZT_EXPORT(dll, SetPostSamples)(static_cast<std::uint32_t>(recordLength)), RC_OK);
    }

    void TearDown() override { ZT_EXPORT(dll, ExitInstrument)(); }

    std::vector<std::uint16_t> RawChannel1() {
        std::vector<std::uint16_t> ch1(32768), ch2(32768);
        EXPECT_EQ(ZT_EXPORT(dll, GetMeasurementRaw)(ch1.data(), ch2.data()), RC_OK);
        ch1.resize(static_cast<std::size_t>(recordLength));
        return ch1;
    }

    // The 1 V sine on the 2 V range: peaks near +-1 V, and about one period per 100 samples.
    void ExpectSine(const std::vector<double>& volts) {
        ASSERT_EQ(volts.size(), static_cast<std::size_t>(recordLength));
        const auto [lo, hi] = std::minmax_element(volts.begin(), volts.end());
        EXPECT_NEAR(*hi, 1.0, 0.08);
        EXPECT_NEAR(*lo, -1.0, 0.08);
        std::vector<int> rising;
        for (std::size_t i = 1; i < volts.size(); ++i) {
            if (volts[i - 1] < 0 && volts[i] >= 0) rising.push_back(static_cast<int>(i));
        }
        ASSERT_GE(rising.size(), 3u);
        const double period =
            static_cast<double>(rising.back() - rising.front()) / (rising.size() - 1);
        EXPECT_NEAR(period, kSampleRate / 1000.0, 3.0);
    }

    Dll dll;
    std::int32_t recordLength = 0;
};

TEST_F(DllMeasure, BlockModeRecordsTheInputSignals) {
    StartWith("1");
    ASSERT_EQ(ZT_EXPORT(dll, ADC_Start)(), RC_OK);
    EXPECT_EQ(ZT_EXPORT(dll, ADC_Running)(), 1);
    const DWORD start = GetTickCount();
    bool forced = false;
    while (ZT_EXPORT(dll, ADC_Ready)() != 1 && GetTickCount() - start < 3000) {
        if (!forced && GetTickCount() - start > 1000) {
            ASSERT_EQ(ZT_EXPORT(dll, ADC_ForceTrig)(), RC_OK);
            forced = true;
        }
        Sleep(1);
    }
    ASSERT_EQ(ZT_EXPORT(dll, ADC_Ready)(), 1);
    EXPECT_FALSE(forced) << "the sine crossing the trigger level should have triggered";

    std::vector<double> ch1(32768), ch2(32768);
    ASSERT_EQ(ZT_EXPORT(dll, ADC_GetDataVolt)(ch1.data(), ch2.data()), RC_OK);
    EXPECT_EQ(ZT_EXPORT(dll, ADC_Running)(), 0);
    ch1.resize(static_cast<std::size_t>(recordLength));
    ch2.resize(static_cast<std::size_t>(recordLength));
    ExpectSine(ch1);
    // The square wave: only its two levels, 0 V and 1 V, apart from the edges.
    const auto [lo, hi] = std::minmax_element(ch2.begin(), ch2.end());
    EXPECT_NEAR(*lo, 0.0, 0.05);
    EXPECT_NEAR(*hi, 1.0, 0.05);
    const auto atLevel = std::count_if(ch2.begin(), ch2.end(), [](double v) {
        return std::abs(v) < 0.05 || std::abs(v - 1.0) < 0.05;
    });
    EXPECT_GE(atLevel, recordLength - 12);

    // The raw record is the same data before conversion.
    std::vector<std::uint16_t> raw1(32768), raw2(32768);
    ASSERT_EQ(ZT_EXPORT(dll, ADC_GetData)(raw1.data(), raw2.data()), RC_OK);
    for (std::int32_t i = 0; i < recordLength; ++i) {
        ASSERT_DOUBLE_EQ((raw1[i] - 32768.0) * 2.0 / 32768.0, ch1[i]) << i;
        ASSERT_EQ(raw1[i] & 0xFF, 0) << "8-bit samples sit in the high byte";
    }
}

TEST_F(DllMeasure, SingleCallMeasurementNeedsNoMessageLoop) {
    StartWith("1");
    ASSERT_EQ(ZT_EXPORT(dll, StartMeasurement)(), RC_OK);
    std::vector<double> ch1(32768), ch2(32768);
    ASSERT_EQ(ZT_EXPORT(dll, GetMeasurement)(ch1.data(), ch2.data()), RC_OK);
    ch1.resize(static_cast<std::size_t>(recordLength));
    ExpectSine(ch1);
}

// Noise makes every record different, so a new readout shows as a change of the buffers.
TEST_F(DllMeasure, ContinuousMeasuringRunsOnlyWhileMessagesAreDispatched) {
    StartWith("noise=0.01");
    const std::vector<std::uint16_t> before = RawChannel1();
    ASSERT_EQ(ZT_EXPORT(dll, DoMeasure)(-1), RC_OK);
    Sleep(300);  // timer due many times over, but nobody dispatches its messages
    EXPECT_EQ(RawChannel1(), before) << "a measurement ran outside the message loop";

    bool measured = false;
    const DWORD start = GetTickCount();
    while (!measured && GetTickCount() - start < 5000) {
        PumpMessagesFor(20);
        measured = RawChannel1() != before;
    }
    ASSERT_TRUE(measured) << "no record arrived while dispatching messages";
    std::vector<double> volts(32768), unused(32768);
    ASSERT_EQ(ZT_EXPORT(dll, GetMeasurement)(volts.data(), unused.data()), RC_OK);
    volts.resize(static_cast<std::size_t>(recordLength));
    ExpectSine(volts);

    // Records keep coming, then stop with DoMeasure(0).
    const std::vector<std::uint16_t> first = RawChannel1();
    bool another = false;
    const DWORD again = GetTickCount();
    while (!another && GetTickCount() - again < 5000) {
        PumpMessagesFor(20);
        another = RawChannel1() != first;
    }
    EXPECT_TRUE(another) << "continuous measuring stopped by itself";
    ASSERT_EQ(ZT_EXPORT(dll, DoMeasure)(0), RC_OK);
    PumpMessagesFor(100);
    const std::vector<std::uint16_t> stopped = RawChannel1();
    PumpMessagesFor(500);
    EXPECT_EQ(RawChannel1(), stopped) << "measuring went on after DoMeasure(0)";
}

TEST_F(DllMeasure, OneShotMeasuringTakesOneRecordAndHolds) {
    StartWith("noise=0.01");
    const std::vector<std::uint16_t> before = RawChannel1();
    ASSERT_EQ(ZT_EXPORT(dll, DoMeasure)(1), RC_OK);
    bool measured = false;
    const DWORD start = GetTickCount();
    while (!measured && GetTickCount() - start < 5000) {
        PumpMessagesFor(10);
        measured = RawChannel1() != before;
    }
    ASSERT_TRUE(measured);
    const std::vector<std::uint16_t> record = RawChannel1();
    PumpMessagesFor(600);
    EXPECT_EQ(RawChannel1(), record) << "one-shot measuring took a second record";
}

}  // namespace
}  // namespace zarvo_test
