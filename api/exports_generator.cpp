// SPDX-License-Identifier: MIT
// Generators: the square-wave output of the instrument (real hardware, a divider of 5 MHz)
// and the function generator of the wider family, whose settings are kept but drive nothing
// here (no instrument this library detects has one).
#include <cmath>

#include "api/checks.h"
#include "api/library.h"
#include "zarvo.h"

using namespace zarvo;
using namespace zarvo::api;

namespace {

bool HasSquareGen(const TZarvo& z) {
    return z.FSquareGenAvail;
}
bool HasBurst(const TZarvo& z) {
    return z.FGenBurstAvail;
}
bool HasGenTrigSource(const TZarvo& z) {
    return z.FGenTrigSourceAvail;
}

// The function generator's checks: the instrument guard, then the generator itself.
auto FuncGen() {
    return Guard().Capable(HasFuncGen, RC_GENERATOR_ABSENT);
}

// Signal type 5 is kept as code 7 by the generator hardware of the family.
constexpr std::uint8_t kStoredType5 = 7;

bool WithinAmplitude(const TZarvo& z, double value) {
    return std::fabs(value) <= z.FFuncGenMaxAmplitude;  // NaN fails
}

}  // namespace

// ---- Square-wave generator

extern "C" ZARVO_API(uint16_t) GetSquareWaveGenStatus(void) {
    CallScope scope;
    return Guard().Capable(HasSquareGen, RC_GENERATOR_ABSENT).Status();
}

extern "C" ZARVO_API(int32_t) GetSquareWaveGenFrequency(void) {
    // The last frequency achieved, kept by the library: no instrument needed.
    return Lib().SquareWaveFreq;
}

extern "C" ZARVO_API(uint16_t) SetSquareWaveGenFrequency(uint32_t* value) {
    CallScope scope;
    const auto check = Guard().Capable(HasSquareGen, RC_GENERATOR_ABSENT).Readable(value);
    if (!check) return check.Status();
    // 0 switches the output off; other requests are limited to what the divider makes and
    // come back as the frequency achieved.
    Extended frequency = *value;
    check.Instrument().ProgramSquareWave(frequency);
    LibraryState& lib = Lib();
    lib.SquareWaveFreq = RoundSaturate<std::int32_t>(frequency);
    *value = static_cast<std::uint32_t>(lib.SquareWaveFreq);
    return RC_OK;
}

// ---- Function generator

extern "C" ZARVO_API(uint16_t) GetFunctionGenStatus(void) {
    CallScope scope;
    return FuncGen().Status();
}

extern "C" ZARVO_API(uint16_t) GetFuncGenMaxAmplitude(double* value) {
    CallScope scope;
    const auto check = FuncGen().Writable(value);
    if (!check) return check.Status();
    *value = static_cast<double>(check.Instrument().FFuncGenMaxAmplitude);
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) SetFuncGenSignalType(uint16_t value) {
    CallScope scope;
    const auto check = FuncGen().Valid(value <= 5);
    if (!check) return check.Status();
    check.Instrument().FGenSignalType =
        value == 5 ? kStoredType5 : static_cast<std::uint8_t>(value);
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) GetFuncGenSignalType(uint16_t* value) {
    CallScope scope;
    const auto check = FuncGen().Writable(value).Valid(
        [](const TZarvo& z) { return z.FGenSignalType <= 4 || z.FGenSignalType == kStoredType5; });
    if (!check) return check.Status();
    const std::uint8_t stored = check.Instrument().FGenSignalType;
    *value = stored == kStoredType5 ? 5 : stored;
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) SetFuncGenAmplitude(double value) {
    CallScope scope;
    const auto check =
        FuncGen().Valid([value](const TZarvo& z) { return WithinAmplitude(z, value); });
    if (!check) return check.Status();
    check.Instrument().FGenAmplitude = value;
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) GetFuncGenAmplitude(double* value) {
    CallScope scope;
    const auto check = FuncGen().Writable(value);
    if (!check) return check.Status();
    *value = static_cast<double>(check.Instrument().FGenAmplitude);
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) SetFuncGenDCOffset(double value) {
    CallScope scope;
    const auto check =
        FuncGen().Valid([value](const TZarvo& z) { return WithinAmplitude(z, value); });
    if (!check) return check.Status();
    check.Instrument().FGenDcOffset = value;
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) GetFuncGenDCOffset(double* value) {
    CallScope scope;
    const auto check = FuncGen().Writable(value);
    if (!check) return check.Status();
    *value = static_cast<double>(check.Instrument().FGenDcOffset);
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) SetFuncGenSymmetry(double value) {
    CallScope scope;
    // Percent at the interface, a fraction inside; NaN fails both comparisons.
    const auto check = FuncGen().Valid(0 <= value && value <= 100);
    if (!check) return check.Status();
    check.Instrument().FGenSymmetry = static_cast<Extended>(value) / 100;
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) GetFuncGenSymmetry(double* value) {
    CallScope scope;
    const auto check = FuncGen().Writable(value).Valid(
        [](const TZarvo& z) { return 0 <= z.FGenSymmetry && z.FGenSymmetry <= 1; });
    if (!check) return check.Status();
    *value = static_cast<double>(check.Instrument().FGenSymmetry * 100);
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) SetFuncGenFrequency(double* value) {
    CallScope scope;
    const auto check = FuncGen().Readable(value).Valid(
        [value](const TZarvo&) { return std::isfinite(*value) && *value > 0; });
    if (!check) return check.Status();
    TZarvo& z = check.Instrument();
    z.FGenFrequency = *value;
    *value = static_cast<double>(z.FGenFrequency);
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) GetFuncGenFrequency(double* value) {
    CallScope scope;
    const auto check = FuncGen().Writable(value);
    if (!check) return check.Status();
    *value = static_cast<double>(check.Instrument().FGenFrequency);
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) SetFuncGenOutputOn(uint16_t value) {
    CallScope scope;
    const auto check = FuncGen().Valid(value <= 1);
    if (!check) return check.Status();
    TZarvo& z = check.Instrument();
    // The configurable type's output cannot be switched off.
    z.FGenOutputOn = value == 1 || z.FInstrumentType == 18;
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) GetFuncGenOutputOn(uint16_t* value) {
    CallScope scope;
    // Cleared before any check: a failing call leaves "off" behind.
    if (value != nullptr) *value = 0;
    const auto check = FuncGen().Writable(value);
    if (!check) return check.Status();
    *value = check.Instrument().FGenOutputOn ? 1 : 0;
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) SetFuncGenEnable(uint16_t value) {
    CallScope scope;
    const auto check =
        Guard().Capable(IsConfigurable).Capable(HasFuncGen, RC_GENERATOR_ABSENT).Valid(value <= 1);
    if (!check) return check.Status();
    check.Instrument().FGenEnable = value == 1;
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) GetFuncGenEnable(uint16_t* value) {
    CallScope scope;
    if (value != nullptr) *value = 0;
    const auto check = FuncGen().Capable(IsConfigurable).Writable(value);
    if (!check) return check.Status();
    *value = check.Instrument().FGenEnable ? 1 : 0;
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) FillFuncGenMemory(int32_t count, void* /*data*/) {
    CallScope scope;
    // The data format is the generator's own; nothing here reads it.
    const auto check = FuncGen();
    if (!check) return check.Status();
    TZarvo& z = check.Instrument();
    z.FGenMemoryLength = count;
    z.FillGeneratorMemory();
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) FuncGenBurst(uint16_t value) {
    CallScope scope;
    const auto check = Guard().Capable(HasBurst);
    if (!check) return check.Status();
    TZarvo& z = check.Instrument();
    z.FGenOutputOn = true;
    z.FGenBurstCount = value;
    z.FGenEnable = true;
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) SetFuncGenTrigSource(uint8_t value) {
    CallScope scope;
    const auto check =
        Guard().Capable(HasGenTrigSource).Valid(value == tsExternal || value == tsNoTrig);
    if (!check) return check.Status();
    check.Instrument().FGenTrigExternal = value == tsExternal;
    return RC_OK;
}

extern "C" ZARVO_API(uint16_t) GetFuncGenTrigSource(uint8_t* value) {
    CallScope scope;
    const auto check = Guard().Capable(HasGenTrigSource).Writable(value);
    if (!check) return check.Status();
    *value = check.Instrument().FGenTrigExternal ? tsExternal : tsNoTrig;
    return RC_OK;
}
