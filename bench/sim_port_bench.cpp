// SPDX-License-Identifier: MIT
// Port operations per second through the simulated instrument, for the operations the driver
// repeats most: register writes, status polls, the sample read-out loop and EEPROM reads.
// Each benchmark reports items = port operations, so items_per_second is the port rate.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <functional>

#include "sim/bus_master.h"
#include "sim/front_end.h"
#include "sim/sim_instrument.h"

namespace zarvo::sim {
namespace {

// Counts the operations one call of `work` makes, so the timed loop can run uncounted.
class CountingPort final : public PortBackend {
public:
    explicit CountingPort(PortBackend& inner) : inner_(inner) {}
    void Out(std::uint16_t port, std::uint8_t value) override {
        ++count;
        inner_.Out(port, value);
    }
    std::uint8_t In(std::uint16_t port) override {
        ++count;
        return inner_.In(port);
    }
    std::int64_t count = 0;

private:
    PortBackend& inner_;
};

std::int64_t OpsPerCall(SimInstrument& dev, const std::function<void(BusMaster&)>& work) {
    CountingPort counter(dev);
    BusMaster bus(counter, 0x378);
    work(bus);
    return counter.count;
}

// An instrument on 1 MHz with both channels on the 2 V range and a finished run of 32 000
// samples of a 1 kHz sine, the read position at its start.
void PrepareRecord(SimInstrument& dev) {
    BusMaster bus(dev, 0x378);
    bus.ShiftRelays(0x040 + 0x202);
    bus.WriteDac(0, 512);
    bus.WriteDac(1, 512);
    bus.WriteDac(2, FrontEnd::FactoryGainCode(1, 4));
    bus.WriteDac(3, FrontEnd::FactoryGainCode(2, 4));
    bus.SampleSource(0x00);
    bus.Arm(2, 31999);
}

void RunOps(benchmark::State& state, SimInstrument& dev, std::int64_t ops,
            const std::function<void(BusMaster&)>& work) {
    BusMaster bus(dev, 0x378);
    for (auto _ : state) {
        work(bus);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * ops);
}

void BM_RegisterWrite(benchmark::State& state) {
    SimInstrument dev(SimConfig{}, SteadyClock());
    const auto work = [](BusMaster& b) {
        b.SelectDevice(0);
        b.BankWrite(2, 4, 2);
    };
    RunOps(state, dev, OpsPerCall(dev, work), work);
}
BENCHMARK(BM_RegisterWrite);

void BM_StatusPoll(benchmark::State& state) {
    SimInstrument dev(SimConfig{}, SteadyClock());
    BusMaster(dev, 0x378).Arm(7, 100);  // a run that waits: every poll looks at the clock
    const auto work = [](BusMaster& b) {
        b.SelectDevice(0);
        benchmark::DoNotOptimize(b.ReadRegister(2));
    };
    RunOps(state, dev, OpsPerCall(dev, work), work);
}
BENCHMARK(BM_StatusPoll);

void BM_RecordReadout(benchmark::State& state) {
    SimConfig config;
    config.noise = static_cast<double>(state.range(0)) * 0.001;
    std::int64_t now = 0;
    SimInstrument dev(config, [&now] { return now; });
    PrepareRecord(dev);
    now += 2'000'000;
    const auto work = [&now](BusMaster& b) {
        b.StartSeek(0);
        now += 40;
        // Two channels: 16 port operations per position, as the driver's loop.
        std::uint32_t sum = 0;
        b.SelectSamplePort();
        for (int i = 0; i < 32000; ++i) {
            sum += b.ReadSample(4);
            sum += b.ReadSample(6);
            b.AdvanceStrobe();
        }
        benchmark::DoNotOptimize(sum);
    };
    RunOps(state, dev, OpsPerCall(dev, work), work);
}
BENCHMARK(BM_RecordReadout)->Arg(0)->Arg(10)->Unit(benchmark::kMillisecond);

void BM_CalibrationRead(benchmark::State& state) {
    SimInstrument dev(SimConfig{}, SteadyClock());
    // The 108 byte reads of a full calibration read.
    const auto work = [](BusMaster& b) {
        std::uint32_t sum = 0;
        for (int k = 0; k < 3; ++k) {
            for (int r = 1; r <= 9; ++r) {
                for (const int base : {54, 129}) {
                    const int a = base + 25 * k + 2 * r;
                    sum += b.EepromRead(static_cast<std::uint8_t>(a));
                    sum += b.EepromRead(static_cast<std::uint8_t>(a + 1));
                }
            }
        }
        benchmark::DoNotOptimize(sum);
    };
    RunOps(state, dev, OpsPerCall(dev, work), work);
}
BENCHMARK(BM_CalibrationRead)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zarvo::sim

BENCHMARK_MAIN();
