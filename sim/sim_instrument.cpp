// SPDX-License-Identifier: MIT
#include "sim/sim_instrument.h"

#include <chrono>
#include <utility>

#include "sim/acquisition.h"
#include "sim/bus.h"
#include "sim/counter_timer.h"
#include "sim/eeprom.h"
#include "sim/front_end.h"
#include "sim/signal.h"
#include "sim/trigger.h"

namespace zarvo::sim {

namespace {

constexpr std::uint16_t kLptBases[3] = {0x378, 0x278, 0x3BC};

constexpr std::uint8_t kDeviceAcquisition = 0x00;
constexpr std::uint8_t kDeviceEeprom = 0x10;
constexpr std::uint8_t kEepromLineRegister = 4;

// Write registers of the acquisition device: index and data register of banks 0, 1, 2.
constexpr int kBankOfIndexRegister[8] = {0, -1, -1, -1, 1, -1, 2, -1};
constexpr int kBankOfDataRegister[8] = {-1, 0, -1, -1, -1, 1, -1, 2};

// Clock-control register (bank 0 sub-register 2).
constexpr std::uint8_t kTimerAddressMask = 0x03;
constexpr std::uint8_t kClockSourceMask = 0x1C;
constexpr std::uint8_t kSquareWaveEnable = 0x20;

// Oscillator taps and the counter/timer's input clock, as periods in nanoseconds.
constexpr SimTime kPeriod25MHz = 40;
constexpr SimTime kPeriod12M5Hz = 80;
constexpr SimTime kPeriod5MHz = 200;

// What a parallel port's status register shows with nothing attached: the inputs float high
// and the port shows BUSY (bit 7) inverted.
constexpr std::uint8_t kOpenStatus = 0x7F;
constexpr SimTime kNanosecondsPerMs = 1'000'000;
// Status bits 0 to 2 are not driven by the instrument and read high.
constexpr std::uint8_t kStatusUnused = 0x07;

}  // namespace

SimClock SteadyClock() {
    const auto start = std::chrono::steady_clock::now();
    return [start] {
        return static_cast<std::int64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                             std::chrono::steady_clock::now() - start)
                                             .count());
    };
}

std::uint16_t LptBase(int n) {
    return n >= 1 && n <= 3 ? kLptBases[n - 1] : 0;
}

struct SimInstrument::Impl final : BusTarget {
    Impl(const SimConfig& cfg, SimClock source)
        : config(cfg),
          clock(std::move(source)),
          eeprom(SerialEeprom::FactoryRecord(cfg)),
          acquisition(comparators[0], comparators[1]) {
        if (cfg.lpt >= 1 && cfg.lpt <= 3) {
            lptIndex = cfg.lpt - 1;
            base = kLptBases[lptIndex];
        }
        if (clock) epoch = clock();
        RebuildViews();
    }

    SimTime Now() {
        if (clock) {
            const SimTime t = clock() - epoch;
            if (t > lastNow) lastNow = t;  // signal time never runs backwards
        }
        return lastNow;
    }

    // An unplugged instrument neither sees the port's lines nor drives its status lines: the
    // port is then one with nothing attached.
    bool Connected() {
        if (config.unplugMs < 0) return true;
        return Now() < config.unplugMs * kNanosecondsPerMs;
    }

    // ---- Port side
    void Out(std::uint16_t port, std::uint8_t value) {
        if (lptIndex >= 0 && Connected()) {
            if (port == base + 2) {
                control[static_cast<std::size_t>(lptIndex)] = value;
                bus.WriteControl(value);
                return;
            }
            if (port == base) {
                data[static_cast<std::size_t>(lptIndex)] = value;
                bus.WriteData(value);
                return;
            }
        }
        for (std::size_t i = 0; i < 3; ++i) {
            if (port == kLptBases[i]) data[i] = value;
            if (port == kLptBases[i] + 2) control[i] = value;
        }
    }

    std::uint8_t In(std::uint16_t port) {
        if (lptIndex >= 0 && port == base + 1 && Connected()) return Status();
        for (std::size_t i = 0; i < 3; ++i) {
            if (port == kLptBases[i]) return data[i];
            if (port == kLptBases[i] + 1) return kOpenStatus;
            if (port == kLptBases[i] + 2) return control[i];
        }
        return 0xFF;
    }

    std::uint8_t Status() {
        std::uint8_t busy = 0;
        // The EEPROM's data line reaches BUSY, which the port shows inverted, once register
        // address 0 is latched on the EEPROM interface.
        if (bus.Device() == kDeviceEeprom && bus.Address() == 0 && !eeprom.Data()) busy = 0x80;
        return static_cast<std::uint8_t>(busy | (bus.StatusNibble() << 3) | kStatusUnused);
    }

    // ---- Bus side
    void WriteRegister(std::uint8_t device, std::uint8_t reg, std::uint8_t value) override {
        if (device == kDeviceEeprom) {
            if (reg == 0) eepromIndex = value;
            if (reg == 1 && eepromIndex == kEepromLineRegister) SetEepromLines(value);
            return;
        }
        if (device != kDeviceAcquisition || reg > 7) return;
        const int indexBank = kBankOfIndexRegister[reg];
        if (indexBank >= 0) {
            bankIndex[static_cast<std::size_t>(indexBank)] = value;
            return;
        }
        const int dataBank = kBankOfDataRegister[reg];
        if (dataBank >= 0)
            BankWrite(dataBank, bankIndex[static_cast<std::size_t>(dataBank)], value);
    }

    std::uint8_t ReadRegister(std::uint8_t device, std::uint8_t reg) override {
        if (device != kDeviceAcquisition) return 0;
        switch (reg) {
            case 0:
            case 1: {
                if (acquisition.Live()) acquisition.Settle(Now());
                const std::uint16_t position = acquisition.Position();
                return static_cast<std::uint8_t>(reg == 0 ? position & 0xFF
                                                          : (position >> 8) & 0x7F);
            }
            case 2:
                return StatusRegister(Now());
            case 4:
            case 6:
                if (acquisition.Live()) acquisition.Settle(Now());
                return acquisition.Sample(reg == 4 ? 0 : 1);
            default:
                return 0;
        }
    }

    void AdvanceStrobe(std::uint8_t device) override {
        if (device != kDeviceAcquisition) return;
        if (acquisition.Live()) acquisition.Settle(Now());
        acquisition.Advance();
    }

    std::uint8_t StatusRegister(SimTime now) {
        acquisition.Settle(now);
        bool complete = acquisition.Complete();
        if (config.stuck != StuckReady::No) complete = config.stuck == StuckReady::Ready;
        std::uint8_t status = complete ? 0x01 : 0x00;
        if (comparators[0].Fired(now)) status |= 0x02;
        if (comparators[1].Fired(now)) status |= 0x04;
        return status;
    }

    void BankWrite(int bank, std::uint8_t sub, std::uint8_t value) {
        if (sub < 16) bankValue[static_cast<std::size_t>(bank)][sub] = value;
        if (bank == 0) {
            ControlWrite(sub, value);
        } else {
            ChannelWrite(bank, sub, value);
        }
    }

    void ControlWrite(std::uint8_t sub, std::uint8_t value) {
        switch (sub) {
            case 0:
                runCount = static_cast<std::uint16_t>((runCount & 0xFF00) | value);
                break;
            case 1:
                runCount = static_cast<std::uint16_t>((runCount & 0x00FF) | (value << 8));
                break;
            case 2:
                clockControl = value;
                UpdateGenerator();
                break;
            case 3: {
                const SimTime now = Now();
                const SimTime period = SamplePeriod();
                acquisition.Command(value, now, period, runCount, Converters(value, period));
                break;
            }
            case 6:
                timer.Write(clockControl & kTimerAddressMask, value);
                UpdateGenerator();
                break;
            case 7:
                acquisition.SetTriggerSource(value, Now());
                break;
            default:
                break;  // 4 run mode, 5 sample port: nothing to do in the model
        }
    }

    void ChannelWrite(int bank, std::uint8_t sub, std::uint8_t value) {
        const auto ch = static_cast<std::size_t>(bank - 1);
        switch (sub) {
            case 0:
            case 1:
            case 2: {
                ComparatorSetup& s = setups[ch];
                (sub == 0 ? s.levelA : sub == 1 ? s.levelB : s.mode) = value;
                const SimTime now = Now();
                acquisition.Settle(now);
                comparators[ch].Change(now, s, views[ch], externalViews[ch]);
                break;
            }
            case 3:
                if (bank == 1 && frontEnd.WriteSerial(value)) InputsChanged();
                break;
            case 5:
                if (value == 0) {
                    const SimTime now = Now();
                    acquisition.Settle(now);
                    comparators[ch].Arm(now, setups[ch], views[ch], externalViews[ch]);
                }
                break;
            default:
                break;  // 4 channel run mode (read at the run command), 8 parking index
        }
    }

    // The sample clock selected now, as a period in nanoseconds; 0 when it does not run.
    SimTime SamplePeriod() const {
        switch (clockControl & kClockSourceMask) {
            case 0x00:
                return kPeriod25MHz;
            case 0x04:
                return kPeriod12M5Hz;
            case 0x08:
                return kPeriod5MHz;
            case 0x0C:
                return kPeriod5MHz * timer.Divider(0);
            case 0x10:
                // Counter 1 divides 5 MHz and clocks counter 0.
                return kPeriod5MHz * timer.Divider(1) * timer.Divider(0);
            default:
                return 0;
        }
    }

    // The converters' inputs for a run started by `command`. An acquisition run with bank 2
    // sub-register 4 at 0 is double rate: both converters take channel 1, converter 2 on the
    // clock edge and converter 1 half a period later.
    ConverterSetup Converters(std::uint8_t command, SimTime period) const {
        ConverterSetup setup;
        setup.noise = config.noise;
        setup.view = {views[0], views[1]};
        if (command == 0x0F && bankValue[2][4] == 0) {
            setup.view = {views[0], views[0]};
            setup.delay = {period / 2, 0};
        }
        return setup;
    }

    void SetEepromLines(std::uint8_t lines) {
        // Bit 3 enables the line drivers; bit 2 says whether the host drives the data line.
        if ((lines & 0x08) == 0) {
            eeprom.SetLines(true, true);
            return;
        }
        const bool hostData = (lines & 0x04) == 0 || (lines & 0x02) != 0;
        eeprom.SetLines((lines & 0x01) != 0, hostData);
    }

    GeneratorState Generator() const {
        GeneratorState g;
        const bool enabled = (clockControl & kSquareWaveEnable) != 0;
        const std::uint32_t divider = timer.Divider(2);
        g.oscillating = enabled && timer.Mode(2) == 3 && divider > 0;
        g.high = enabled;
        g.frequency = g.oscillating ? 5e6 / divider : 0.0;
        return g;
    }

    void UpdateGenerator() {
        GeneratorState next = Generator();
        if (next.oscillating == generator.oscillating && next.high == generator.high &&
            next.frequency == generator.frequency) {
            return;
        }
        const SimTime now = Now();
        next.origin = now;
        generator = next;
        InputsChanged(now);
    }

    void InputsChanged() { InputsChanged(Now()); }

    void InputsChanged(SimTime now) {
        acquisition.Settle(now);
        RebuildViews();
        for (std::size_t ch = 0; ch < 2; ++ch) {
            comparators[ch].Change(now, setups[ch], views[ch], externalViews[ch]);
        }
    }

    void RebuildViews() {
        const InputSignal* inputs[2] = {&config.ch1, &config.ch2};
        for (std::size_t ch = 0; ch < 2; ++ch) {
            views[ch] = ChannelView{};
            views[ch].wave = Waveform::FromInput(*inputs[ch], generator);
            frontEnd.Apply(static_cast<int>(ch + 1), &views[ch]);
            externalViews[ch] = ChannelView{};
            externalViews[ch].wave = Waveform::FromInput(config.ext, generator);
            externalViews[ch].gain = views[ch].gain;
        }
    }

    SimConfig config;
    SimClock clock;
    SimTime epoch = 0;
    SimTime lastNow = 0;
    int lptIndex = -1;
    std::uint16_t base = 0;
    std::array<std::uint8_t, 3> data{};
    std::array<std::uint8_t, 3> control{0x04, 0x04, 0x04};

    InstrumentBus bus{*this};
    std::array<std::uint8_t, 3> bankIndex{};
    std::array<std::array<std::uint8_t, 16>, 3> bankValue{};
    std::uint8_t eepromIndex = 0;
    std::uint16_t runCount = 0;
    std::uint8_t clockControl = 0;

    CounterTimer timer;
    FrontEnd frontEnd;
    SerialEeprom eeprom;
    GeneratorState generator;
    std::array<ComparatorSetup, 2> setups{};
    std::array<Comparator, 2> comparators{};
    std::array<ChannelView, 2> views{};
    std::array<ChannelView, 2> externalViews{};
    Acquisition acquisition;
};

SimInstrument::SimInstrument(const SimConfig& config, SimClock clock)
    : impl_(std::make_unique<Impl>(config, std::move(clock))) {}

SimInstrument::~SimInstrument() = default;

void SimInstrument::Out(std::uint16_t port, std::uint8_t value) {
    impl_->Out(port, value);
}

std::uint8_t SimInstrument::In(std::uint16_t port) {
    return impl_->In(port);
}

std::uint16_t SimInstrument::Base() const {
    return impl_->base;
}

std::uint16_t SimInstrument::RelayWord() const {
    return impl_->frontEnd.Relays();
}

std::uint16_t SimInstrument::DacCode(int channel) const {
    return impl_->frontEnd.DacCode(channel);
}

std::uint8_t SimInstrument::ClockControl() const {
    return impl_->clockControl;
}

double SimInstrument::SampleClockHz() const {
    const SimTime period = impl_->SamplePeriod();
    return period > 0 ? 1e9 / static_cast<double>(period) : 0.0;
}

double SimInstrument::GeneratorHz() const {
    const GeneratorState g = impl_->Generator();
    return g.oscillating ? g.frequency : 0.0;
}

double SimInstrument::FullScaleVolts(int channel) const {
    return impl_->frontEnd.FullScale(channel);
}

bool SimInstrument::AcCoupled(int channel) const {
    return impl_->frontEnd.AcCoupled(channel);
}

std::uint16_t SimInstrument::AddressCounter() const {
    if (impl_->acquisition.Live()) impl_->acquisition.Settle(impl_->Now());
    return impl_->acquisition.Position();
}

std::uint8_t SimInstrument::Status() const {
    return impl_->StatusRegister(impl_->Now());
}

bool SimInstrument::Connected() const {
    return impl_->Connected();
}

const std::array<std::uint8_t, 256>& SimInstrument::Eeprom() const {
    return impl_->eeprom.Memory();
}

std::array<std::uint8_t, 256> SimInstrument::FactoryEeprom(const SimConfig& config) {
    return SerialEeprom::FactoryRecord(config);
}

}  // namespace zarvo::sim
