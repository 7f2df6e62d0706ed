// SPDX-License-Identifier: MIT
// Generator and auxiliary exports: the square-wave output (looped back into channel 2 by the
// simulator), the function generator of the wider family with its check order, and the
// digital-output, ohm and I2C functions.
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "support/api_session.h"

namespace {

using zarvo::testing::ApiSession;
using zarvo::testing::Pair;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

class Generator : public ApiSession {
protected:
    void SetUp() override { ASSERT_EQ(Start(), RC_OK); }
};

TEST_F(Generator, SquareWaveWritesBackTheFrequencyAchieved) {
    // 5 MHz divided by a whole number, held to 100 Hz .. 100 kHz; 0 switches it off.
    const Pair<uint32_t> cases[] = {
        {1000, 1000},   {250000, 100000},     {30, 100}, {0, 0}, {3000, 2999},
        {70000, 70423}, {0xFFFFFFFFu, 100000}};
    for (const auto& [request, achieved] : cases) {
        uint32_t value = request;
        ASSERT_EQ(SetSquareWaveGenFrequency(&value), RC_OK) << request;
        EXPECT_EQ(value, achieved) << request;
        EXPECT_EQ(GetSquareWaveGenFrequency(), static_cast<int32_t>(achieved)) << request;
    }
    EXPECT_EQ(SetSquareWaveGenFrequency(nullptr), RC_BAD_VALUE);
    Instrument().FSquareGenAvail = false;
    EXPECT_EQ(GetSquareWaveGenStatus(), RC_GENERATOR_ABSENT);
    uint32_t value = 5000;
    EXPECT_EQ(SetSquareWaveGenFrequency(&value), RC_GENERATOR_ABSENT);
    EXPECT_EQ(value, 5000u);
    EXPECT_EQ(GetSquareWaveGenFrequency(), 100000);
}

TEST_F(Generator, SquareWaveReachesChannelTwo) {
    uint32_t hz = 10000;
    ASSERT_EQ(SetSquareWaveGenFrequency(&hz), RC_OK);
    ASSERT_EQ(SetRecordLength(1000), RC_OK);
    ASSERT_EQ(SetPostSamples(1000), RC_OK);
    double frequency = 1e6;
    ASSERT_EQ(SetSampleFrequencyF(&frequency), RC_OK);
    ASSERT_EQ(StartMeasurement(), RC_OK);
    std::vector<double> ch1(1000), ch2(1000);
    ASSERT_EQ(GetMeasurement(ch1.data(), ch2.data()), RC_OK);
    // Ten periods of 10 kHz in 1000 samples at 1 MHz: count the rising crossings.
    const auto [low, high] = std::minmax_element(ch2.begin(), ch2.end());
    ASSERT_GT(*high - *low, 0.5) << "no square wave on channel 2";
    const double middle = (*high + *low) / 2;
    int rising = 0;
    for (std::size_t i = 1; i < ch2.size(); ++i) rising += ch2[i - 1] < middle && ch2[i] >= middle;
    EXPECT_NEAR(rising, 10, 1);
}

TEST_F(Generator, AbsentFunctionGeneratorAnswersAfterTheGuard) {
    double real = 7;
    uint16_t word = 7;
    EXPECT_EQ(GetFunctionGenStatus(), RC_GENERATOR_ABSENT);
    for (uint16_t rc :
         {GetFuncGenMaxAmplitude(&real), SetFuncGenSignalType(9), SetFuncGenAmplitude(kNaN),
          GetFuncGenDCOffset(&real), SetFuncGenSymmetry(500), SetFuncGenFrequency(nullptr),
          GetFuncGenSignalType(&word), SetFuncGenOutputOn(7), FillFuncGenMemory(1, nullptr)})
        EXPECT_EQ(rc, RC_GENERATOR_ABSENT);
    EXPECT_EQ(real + word, 14);
    EXPECT_EQ(GetFuncGenOutputOn(&word), RC_GENERATOR_ABSENT);
    EXPECT_EQ(word, 0) << "cleared before the checks";
    // Enabling is a configurable-type function first, a generator function second.
    EXPECT_EQ(SetFuncGenEnable(1), RC_UNAVAILABLE);
    EXPECT_EQ(GetFuncGenEnable(&word), RC_GENERATOR_ABSENT);
    Instrument().FInstrumentType = 18;
    EXPECT_EQ(SetFuncGenEnable(1), RC_GENERATOR_ABSENT);
}

TEST_F(Generator, PresentFunctionGeneratorChecksItsValues) {
    Instrument().FFuncGenAvail = true;
    uint16_t word = 99;
    for (uint16_t type = 0; type <= 5; ++type) {
        ASSERT_EQ(SetFuncGenSignalType(type), RC_OK);
        ASSERT_EQ(GetFuncGenSignalType(&word), RC_OK);
        EXPECT_EQ(word, type);
    }
    EXPECT_EQ(Instrument().FGenSignalType, 7) << "type 5 is kept as code 7";
    EXPECT_EQ(SetFuncGenSignalType(6), RC_BAD_VALUE);
    Instrument().FGenSignalType = 6;
    EXPECT_EQ(GetFuncGenSignalType(&word), RC_BAD_VALUE);
    // Amplitude and offset up to the maximum, symmetry in percent, frequency above 0.
    const double above = std::nextafter(1.0, 2.0);
    for (auto set : {SetFuncGenAmplitude, SetFuncGenDCOffset}) {
        EXPECT_EQ(set(-1.0), RC_OK);
        for (double bad : {above, -above, kNaN, kInf}) EXPECT_EQ(set(bad), RC_BAD_VALUE);
    }
    double read = 0;
    ASSERT_EQ(SetFuncGenSymmetry(12.5), RC_OK);
    ASSERT_EQ(GetFuncGenSymmetry(&read), RC_OK);
    EXPECT_EQ(read, 12.5);
    for (double bad : {-0.1, 100.1, kNaN}) EXPECT_EQ(SetFuncGenSymmetry(bad), RC_BAD_VALUE);
    double frequency = 1234.5;
    ASSERT_EQ(SetFuncGenFrequency(&frequency), RC_OK);
    for (double bad : {0.0, -1.0, kNaN, kInf}) {
        frequency = bad;
        EXPECT_EQ(SetFuncGenFrequency(&frequency), RC_BAD_VALUE) << bad;
    }
    ASSERT_EQ(GetFuncGenFrequency(&read), RC_OK);
    EXPECT_EQ(read, 1234.5);
    // The configurable type's output cannot be switched off.
    ASSERT_EQ(SetFuncGenOutputOn(0), RC_OK);
    ASSERT_EQ(GetFuncGenOutputOn(&word), RC_OK);
    EXPECT_EQ(word, 0);
    Instrument().FInstrumentType = 18;
    ASSERT_EQ(SetFuncGenOutputOn(0), RC_OK);
    ASSERT_EQ(GetFuncGenOutputOn(&word), RC_OK);
    EXPECT_EQ(word, 1);
    EXPECT_EQ(SetFuncGenEnable(2), RC_BAD_VALUE);
}

TEST_F(Generator, FamilyFunctionsAnswerByCapability) {
    uint8_t source = 7;
    EXPECT_EQ(FuncGenBurst(5), RC_UNAVAILABLE);
    EXPECT_EQ(GetFuncGenTrigSource(&source), RC_UNAVAILABLE);
    EXPECT_EQ(SetDigitalOutputs(0xFF), RC_UNAVAILABLE);
    EXPECT_EQ(SetupOhmMeasurements(1), RC_UNAVAILABLE);
    Instrument().FGenTrigSourceAvail = true;
    Instrument().FDigitalOutputCount = 8;
    Instrument().FInstrumentType = 21;
    ASSERT_EQ(SetFuncGenTrigSource(tsExternal), RC_OK);
    ASSERT_EQ(GetFuncGenTrigSource(&source), RC_OK);
    EXPECT_EQ(source, tsExternal);
    EXPECT_EQ(SetFuncGenTrigSource(tsCh1), RC_BAD_VALUE);
    EXPECT_EQ(GetDigitalOutputs(nullptr), RC_OK) << "the pointer is never written";
    EXPECT_EQ(SetupOhmMeasurements(1), RC_OK);
    EXPECT_EQ(I2CWrite(0x50, nullptr, 4), RC_UNAVAILABLE) << "no instrument here has I2C";
    EXPECT_EQ(I2CGetSpeed(nullptr), RC_UNAVAILABLE);
}

}  // namespace
