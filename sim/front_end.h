// SPDX-License-Identifier: MIT
// The analog front end behind the serial register (bank 1 sub-register 3): a 10-bit relay
// shift register and a four-channel 10-bit DAC, and what they do to the two inputs.
//
// Relay word: bits 5, 6, 7 pick channel 1's attenuator decade (x1, x10, x100: the ranges of
// 0.2-0.8 V, 2-8 V and 20-80 V), bits 0, 1, 2 the same for channel 2; with no decade relay
// closed the input is open. Bit 4 (channel 1) and bit 3 (channel 2) energise the coupling
// relay, which makes the input AC coupled. Bits 8 and 9 route converter 2 in the double-rate
// mode and change nothing in this model: the run mode decides where converter 2 samples.
//
// DAC: channels 0 and 1 shift channels 1 and 2 by (code - 512) x 1.25 V / 512 / 0.57 full
// scales (the DC level); channels 2 and 3 set the gain of channels 1 and 2, proportional to
// the code, so that a code of 800 gives the decade's most sensitive range (0.2, 2 or 20 V).
// Each decade's attenuator is a little off its nominal ratio; the factory calibration codes
// (table A of the EEPROM) compensate exactly.
#pragma once

#include <array>
#include <cstdint>

#include "sim/signal.h"

namespace zarvo::sim {

class FrontEnd {
public:
    FrontEnd();

    // One write to the serial register. Returns true when the relays were loaded or a DAC
    // channel took a new word, i.e. when the inputs may look different now.
    bool WriteSerial(std::uint8_t value);

    std::uint16_t Relays() const { return relays_; }
    std::uint16_t DacCode(int channel) const;

    // Gain, DC shift and coupling of channel 1 or 2 applied to a view of its input.
    void Apply(int channel, ChannelView* view) const;
    // Volts at the converter's full scale; 0 when the input is open or the gain is 0.
    double FullScale(int channel) const;
    bool AcCoupled(int channel) const;

    // The gain-DAC code that gives channel 1 or 2 the nominal full scale of range 1..9 (0.2 V
    // .. 80 V); 512 for anything else.
    static std::uint16_t FactoryGainCode(int channel, int range);

private:
    double Gain(int channel) const;

    std::uint8_t lines_ = 0;  // last effective line levels
    std::uint16_t relayShift_ = 0;
    std::uint16_t relays_ = 0;
    std::uint32_t dacWord_ = 0;
    int dacBits_ = 0;
    std::array<std::uint16_t, 4> dac_{};
};

}  // namespace zarvo::sim
