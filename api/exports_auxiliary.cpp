// SPDX-License-Identifier: MIT
// Digital outputs, ohm measurement and I2C, which belong to other instruments of the family
// and answer that they are not available here, and the fixed stubs of family functions this
// library does not implement at all.
#include "api/checks.h"
#include "api/library.h"
#include "zarvo.h"

using namespace zarvo;
using namespace zarvo::api;

namespace {

bool HasDigitalOutputs(const TZarvo& z) {
    return z.FDigitalOutputCount != 0;
}
bool MeasuresOhms(const TZarvo& z) {
    return z.FInstrumentType == 21;
}
bool HasI2C(const TZarvo&) {
    return false;
}

}  // namespace

// ---- Digital outputs and ohm measurement: accepted where they exist, with no effect.

extern "C" ZARVO_API(uint16_t) SetDigitalOutputs(uint32_t /*value*/) {
    CallScope scope;
    return Guard().Capable(HasDigitalOutputs).Status();
}

extern "C" ZARVO_API(uint16_t) GetDigitalOutputs(uint32_t* /*value*/) {
    CallScope scope;
    return Guard().Capable(HasDigitalOutputs).Status();
}

extern "C" ZARVO_API(uint16_t) SetupOhmMeasurements(uint32_t /*value*/) {
    CallScope scope;
    return Guard().Capable(MeasuresOhms).Status();
}

// ---- I2C: no instrument here has the bus.

extern "C" ZARVO_API(uint16_t) I2CWrite(uint32_t /*address*/, void* /*data*/, uint32_t /*length*/) {
    CallScope scope;
    return Guard().Capable(HasI2C).Status();
}

extern "C" ZARVO_API(uint16_t) I2CRead(uint32_t /*address*/, void* /*data*/, uint32_t /*length*/) {
    CallScope scope;
    return Guard().Capable(HasI2C).Status();
}

extern "C" ZARVO_API(uint16_t)
    I2CWriteNoStop(uint32_t /*address*/, void* /*data*/, uint32_t /*length*/) {
    CallScope scope;
    return Guard().Capable(HasI2C).Status();
}

extern "C" ZARVO_API(uint16_t)
    I2CReadNoStop(uint32_t /*address*/, void* /*data*/, uint32_t /*length*/) {
    CallScope scope;
    return Guard().Capable(HasI2C).Status();
}

extern "C" ZARVO_API(uint16_t) I2CSetSpeed(uint32_t /*speed*/) {
    CallScope scope;
    return Guard().Capable(HasI2C).Status();
}

extern "C" ZARVO_API(uint16_t) I2CGetSpeed(uint32_t* /*speed*/) {
    CallScope scope;
    return Guard().Capable(HasI2C).Status();
}

// ---- Fixed stubs: no guard, no instrument access, nothing read. Under stdcall each still
// removes exactly its own arguments from the caller's stack, so the signatures stay.

extern "C" ZARVO_API(uint16_t) GetOhmValues(void* /*values1*/, void* /*values2*/) {
    return RC_UNAVAILABLE;
}

extern "C" ZARVO_API(uint16_t) GetActiveMirdo(void* /*value*/) {
    return RC_UNAVAILABLE;
}

extern "C" ZARVO_API(uint16_t) SetActiveMirdo(uint32_t /*value*/) {
    return RC_UNAVAILABLE;
}

extern "C" ZARVO_API(uint16_t)
    SetDAC1451(uint32_t /*a*/, uint32_t /*b*/, uint32_t /*c*/, uint32_t /*d*/) {
    return RC_UNAVAILABLE;
}

extern "C" ZARVO_API(uint16_t) SetMotorOn(uint32_t /*a*/, uint32_t /*b*/) {
    return RC_UNAVAILABLE;
}

extern "C" ZARVO_API(uint16_t) SetFuncGenMode(uint32_t /*value*/) {
    return RC_UNAVAILABLE;
}

extern "C" ZARVO_API(uint16_t) GetFuncGenMode(void* /*value*/) {
    return RC_UNAVAILABLE;
}

extern "C" ZARVO_API(uint16_t) SetFuncGenAmplitudeRange(uint32_t /*value*/) {
    return RC_UNAVAILABLE;
}

extern "C" ZARVO_API(uint16_t) GetFuncGenAmplitudeRange(void* /*value*/) {
    return RC_UNAVAILABLE;
}
