// SPDX-License-Identifier: MIT
// A full 32760-sample record read out of the simulated instrument: one channel, two channels
// and double rate. Reports the port operations of one whole readout (stop, locate, seek,
// read, fill), the port operations per memory position of the sample loop (9 with one
// channel, 16 with two) and the time per position of the whole readout.
//
// The MinimalLoop benchmarks put the readout beside a loop that replays exactly the port
// operations one readout made, through the same backend, with nothing else: the ratio of the
// two times is what the driver adds to the port operations themselves (aim: at most 1.1).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include "instrument/zarvo.h"
#include "sim/sim_instrument.h"
#include "support/fake_platform.h"

namespace zarvo {
namespace {

constexpr std::uint16_t kControlPort = 0x37A;

// One port operation as a readout made it, with the test clock (milliseconds since the
// readout began) where the driver's tick readings had moved it on.
struct TimedOp {
    PortOp op;
    bool clockMoved;
    std::uint32_t clock;
};

// Passes every operation on; while `recording`, keeps the control-port writes' positions so
// that the sample loop can be told apart from the framing, seek and fill around it, and, when
// `sink` is set, every operation with the clock it happened at.
class CountingPort final : public PortBackend {
public:
    CountingPort(PortBackend& inner, const std::uint32_t& clock) : inner_(inner), clock_(clock) {}
    void Out(std::uint16_t port, std::uint8_t value) override {
        if (recording && port == kControlPort) {
            if (value == 0x0E && firstCapture < 0) firstCapture = count;
            if (value == 0x02) {
                lastAdvance = count;
                ++advances;
            }
        }
        Keep({true, port, value});
        ++count;
        inner_.Out(port, value);
    }
    std::uint8_t In(std::uint16_t port) override {
        ++count;
        const std::uint8_t value = inner_.In(port);
        Keep({false, port, value});
        return value;
    }
    void StartKeeping(std::vector<TimedOp>* into) {
        sink = into;
        keptFrom_ = lastClock_ = clock_;
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
    std::vector<TimedOp>* sink = nullptr;
    std::int64_t count = 0;
    std::int64_t firstCapture = -1;
    std::int64_t lastAdvance = -1;
    std::int64_t advances = 0;

private:
    void Keep(const PortOp& op) {
        if (sink == nullptr) return;
        const bool moved = clock_ != lastClock_;
        lastClock_ = clock_;
        sink->push_back({op, moved, clock_ - keptFrom_});
    }

    PortBackend& inner_;
    const std::uint32_t& clock_;
    std::uint32_t keptFrom_ = 0;
    std::uint32_t lastClock_ = 0;
};

struct Bench {
    testing::FakePlatform fp;
    sim::SimInstrument dev{sim::SimConfig{}, [this] { return std::int64_t{fp.clock} * 1'000'000; }};
    CountingPort counter{dev, fp.clock};
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

    // One readout with the port operations counted (and, when `keep` is given, kept).
    void CountedReadout(std::vector<TimedOp>* keep = nullptr) {
        counter.Reset();
        counter.recording = true;
        if (keep != nullptr) counter.StartKeeping(keep);
        z->ReadAcquisition();
        counter.sink = nullptr;
        counter.recording = false;
    }
};

void Readout(benchmark::State& state, TMeasureMode mode, long double rate) {
    Bench b(mode, rate);
    if (!b.z->FInstrumentFound) {
        state.SkipWithError("the simulated instrument was not detected");
        return;
    }
    b.CountedReadout();
    const auto positions = static_cast<double>(b.counter.advances);
    const auto ops = static_cast<double>(b.counter.count);
    for (auto _ : state) {
        b.z->ReadAcquisition();
        benchmark::DoNotOptimize(b.z->FChannelData1[0]);
    }
    state.counters["port_ops"] = ops;
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

// The readout beside a replay of its own port operations: each iteration runs one readout and
// one replay, alternately first, and the times are summed separately.
void MinimalLoop(benchmark::State& state, TMeasureMode mode, long double rate) {
    Bench b(mode, rate);
    if (!b.z->FInstrumentFound) {
        state.SkipWithError("the simulated instrument was not detected");
        return;
    }
    std::vector<TimedOp> ops;
    b.CountedReadout(&ops);
    PortBackend& port = b.fp.Port();  // the backend the driver's operations go through
    // The instrument sees the same time pass as during a readout: where the driver's waits read
    // the tick (and so moved the test clock on), the replay moves the clock the same way.
    std::uint32_t& clock = b.fp.clock;
    const auto replay = [&ops, &port, &clock] {
        const std::uint32_t start = clock;
        std::uint32_t sum = 0;
        for (const TimedOp& t : ops) {
            if (t.clockMoved) clock = start + t.clock;
            if (t.op.write) {
                port.Out(t.op.port, t.op.value);
            } else {
                sum += port.In(t.op.port);
            }
        }
        clock = start + (ops.empty() ? 0 : ops.back().clock) + 1;
        benchmark::DoNotOptimize(sum);
    };
    using Clock = std::chrono::steady_clock;
    Clock::duration driver{}, loop{};
    bool driverFirst = true;
    for (auto _ : state) {
        for (int turn = 0; turn < 2; ++turn) {
            const bool runDriver = (turn == 0) == driverFirst;
            const Clock::time_point begin = Clock::now();
            if (runDriver) {
                b.z->ReadAcquisition();
                benchmark::DoNotOptimize(b.z->FChannelData1[0]);
            } else {
                replay();
            }
            (runDriver ? driver : loop) += Clock::now() - begin;
        }
        driverFirst = !driverFirst;
    }
    const double n = static_cast<double>(state.iterations());
    const auto ms = [n](Clock::duration d) {
        return std::chrono::duration<double, std::milli>(d).count() / n;
    };
    state.counters["port_ops"] = static_cast<double>(ops.size());
    state.counters["driver_ms"] = ms(driver);
    state.counters["loop_ms"] = ms(loop);
    state.counters["ratio"] = loop.count() > 0 ? ms(driver) / ms(loop) : 0.0;
}

void MinimalLoopOneChannel(benchmark::State& state) {
    MinimalLoop(state, mCh1, 1e6L);
}
void MinimalLoopTwoChannels(benchmark::State& state) {
    MinimalLoop(state, mCh12, 1e6L);
}
void MinimalLoopDoubleRate(benchmark::State& state) {
    MinimalLoop(state, mCh1, 50e6L);
}

BENCHMARK(MinimalLoopOneChannel)->Unit(benchmark::kMillisecond);
BENCHMARK(MinimalLoopTwoChannels)->Unit(benchmark::kMillisecond);
BENCHMARK(MinimalLoopDoubleRate)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zarvo

BENCHMARK_MAIN();
