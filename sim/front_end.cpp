// SPDX-License-Identifier: MIT
#include "sim/front_end.h"

namespace zarvo::sim {

namespace {

constexpr std::uint8_t kData = 0x01;
constexpr std::uint8_t kClock = 0x02;
constexpr std::uint8_t kDacSelect = 0x08;
constexpr std::uint8_t kRelayLoad = 0x10;
// The serial lines are only driven while this bit is set; without it every line reads idle.
constexpr std::uint8_t kEnable = 0x40;

// The DAC's command nibble for "write and update the addressed channel".
constexpr std::uint32_t kDacWriteCommand = 0x9000;

struct InputRelays {
    std::uint16_t decade[3];  // x1, x10, x100
    std::uint16_t coupling;
};
constexpr InputRelays kRelays[2] = {{{0x020, 0x040, 0x080}, 0x010}, {{0x001, 0x002, 0x004}, 0x008}};
constexpr double kAttenuation[3] = {1.0, 10.0, 100.0};

// Each attenuator's actual ratio is its nominal one x trim / 200.
constexpr int kTrim[2][3] = {{201, 198, 203}, {199, 202, 197}};
// Within a decade the ranges 1 : 2 : 4 take gain codes 4 : 2 : 1 times the trim.
constexpr int kRangeMultiplier[3] = {4, 2, 1};

constexpr double kDacVoltsPerCode = 1.25 / 512.0;
// DC-level DAC volts that shift the input by one full scale.
constexpr double kShiftVoltsPerFullScale = 0.57;

bool ValidChannel(int channel) {
    return channel == 1 || channel == 2;
}

// The closed decade relay with the most attenuation wins; -1 when the input is open.
int Decade(std::uint16_t relays, int channel) {
    const InputRelays& r = kRelays[channel - 1];
    for (int d = 2; d >= 0; --d) {
        if ((relays & r.decade[d]) != 0) return d;
    }
    return -1;
}

}  // namespace

FrontEnd::FrontEnd() {
    dac_.fill(512);
}

bool FrontEnd::WriteSerial(std::uint8_t value) {
    const std::uint8_t now = (value & kEnable) != 0 ? value : 0;
    const std::uint8_t before = lines_;
    lines_ = now;
    bool changed = false;

    const bool selected = (now & kDacSelect) != 0;
    if (selected != ((before & kDacSelect) != 0)) {
        // A word starts with the select line; a partial word is dropped when it is released.
        dacWord_ = 0;
        dacBits_ = 0;
    }
    if ((now & kClock) != 0 && (before & kClock) == 0) {
        const std::uint32_t bit = (now & kData) != 0 ? 1u : 0u;
        if (selected) {
            // The DAC takes exactly 16 bits per select; further clocks are ignored.
            if (dacBits_ < 16) {
                dacWord_ = (dacWord_ << 1) | bit;
                if (++dacBits_ == 16 && (dacWord_ & 0xF000) == kDacWriteCommand) {
                    dac_[(dacWord_ >> 10) & 3] = static_cast<std::uint16_t>(dacWord_ & 0x3FF);
                    changed = true;
                }
            }
        } else {
            relayShift_ = static_cast<std::uint16_t>(((relayShift_ << 1) | bit) & 0x3FF);
        }
    }
    if ((now & kRelayLoad) != 0 && (before & kRelayLoad) == 0) {
        relays_ = relayShift_;
        changed = true;
    }
    return changed;
}

std::uint16_t FrontEnd::DacCode(int channel) const {
    if (channel < 0 || channel > 3) return 0;
    return dac_[static_cast<std::size_t>(channel)];
}

double FrontEnd::Gain(int channel) const {
    if (!ValidChannel(channel)) return 0.0;
    const int d = Decade(relays_, channel);
    if (d < 0) return 0.0;
    const double code = dac_[static_cast<std::size_t>(channel + 1)];
    const double ratio = kAttenuation[d] * kTrim[channel - 1][d] / 200.0;
    // Code 800 with the nominal ratio gives 1 / 0.2 V.
    return code * (1.0 / 160.0) / ratio;
}

double FrontEnd::FullScale(int channel) const {
    const double gain = Gain(channel);
    return gain > 0.0 ? 1.0 / gain : 0.0;
}

bool FrontEnd::AcCoupled(int channel) const {
    if (!ValidChannel(channel)) return false;
    return (relays_ & kRelays[channel - 1].coupling) != 0;
}

void FrontEnd::Apply(int channel, ChannelView* view) const {
    if (view == nullptr || !ValidChannel(channel)) return;
    view->gain = Gain(channel);
    const double dcVolts = (dac_[static_cast<std::size_t>(channel - 1)] - 512.0) * kDacVoltsPerCode;
    view->shift = dcVolts / kShiftVoltsPerFullScale;
    view->mean = AcCoupled(channel) ? view->wave.Mean() : 0.0;
}

std::uint16_t FrontEnd::FactoryGainCode(int channel, int range) {
    if (!ValidChannel(channel) || range < 1 || range > 9) return 512;
    const int d = (range - 1) / 3;
    return static_cast<std::uint16_t>(kTrim[channel - 1][d] * kRangeMultiplier[(range - 1) % 3]);
}

}  // namespace zarvo::sim
