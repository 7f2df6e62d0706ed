// A full 32760-sample record read out of the simulated instrument: one channel, two channels
// and double rate. Reports the port operations per memory position of the sample loop (9 with
// one channel, 16 with two) and the time per position of the whole readout (stop, locate,
// seek, read, fill).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>

#include "instrument/zarvo.h"
#include "sim/sim_instrument.h"
#include "support/fake_platform.h"

namespace zarvo {
namespace {

// Passes every operation on; while `recording`, keeps the control-port writes' positions so
// that the sample loop can be told apart from the framing, seek and fill around it.
class CountingPort final : public PortBackend {
public:
    explicit CountingPort(PortBackend& inner) : inner_(inner) {}
    void Out(std::uint16_t port, std::uint8_t value) override {
        if (recording && port == 0x37A) {
            if (value == 0x0E && firstCapture < 0) firstCapture = count;
            if (value == 0x02) {
                lastAdvance = count;
                ++advances;
            }
        }
        ++count;
        inner_.Out(port, value);
    }
    std::uint8_t In(std::uint16_t port) override {
        ++count;
        return inner_.In(port);
    }
    void Reset() {
        count = 0;
        firstCapture = lastAdvance = -1;
        advances = 0;
    }
    // Operations per memory position from the first sample read (two operations before its
    // capture pulse) to the end of the last advance strobe.
    double LoopOpsPerPosition() const {
        if (advances == 0 || firstCapture < 2) return 0;
        return static_cast<double>(lastAdvance + 1 - (firstCapture - 2) + 1) /
               static_cast<double>(advances);
    }

    bool recording = false;
    std::int64_t count = 0;
    std::int64_t firstCapture = -1;
    std::int64_t lastAdvance = -1;
    std::int64_t advances = 0;

private:
    PortBackend& inner_;
};

struct Bench {
    testing::FakePlatform fp;
    sim::SimInstrument dev{sim::SimConfig{}, [this] { return std::int64_t{fp.clock} * 1'000'000; }};
    CountingPort counter{dev};
    std::unique_ptr<TZarvo> z;

    Bench(TMeasureMode mode, long double rate) {
        fp.family = PlatformFamily::Other;
        fp.portAddresses = {{"LPT1", 0x378}};
        fp.port.recording = false;
        fp.port.SetInner(&counter);
        z = std::make_unique<TZarvo>(fp);
        if (!z->StartInstrument()) return;
        z->Set_mMeasureMode(mode);
        z->Set_rSampleFreq(rate);
        z->Set_lPostSamples(0);
        z->Set_lRecordLength(kMaxRecordLength);
    }
};

void Readout(benchmark::State& state, TMeasureMode mode, long double rate) {
    Bench b(mode, rate);
    if (!b.z->FInstrumentFound) {
        state.SkipWithError("the simulated instrument was not detected");
        return;
    }
    b.counter.Reset();
    b.counter.recording = true;
    b.z->ReadAcquisition();
    b.counter.recording = false;
    const auto positions = static_cast<double>(b.counter.advances);
    for (auto _ : state) {
        b.z->ReadAcquisition();
        benchmark::DoNotOptimize(b.z->FChannelData1[0]);
    }
    state.counters["port_ops_per_position"] = b.counter.LoopOpsPerPosition();
    state.counters["positions"] = positions;
    state.counters["time_per_position"] = benchmark::Counter(
        positions, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void OneChannel(benchmark::State& state) {
    Readout(state, mCh1, 1e6L);
}
void TwoChannels(benchmark::State& state) {
    Readout(state, mCh12, 1e6L);
}
void DoubleRate(benchmark::State& state) {
    Readout(state, mCh1, 50e6L);
}

BENCHMARK(OneChannel)->Unit(benchmark::kMillisecond);
BENCHMARK(TwoChannels)->Unit(benchmark::kMillisecond);
BENCHMARK(DoubleRate)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zarvo

BENCHMARK_MAIN();
