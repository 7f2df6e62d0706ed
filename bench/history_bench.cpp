// SPDX-License-Identifier: MIT
// What the live view's history costs in memory: the station keeps the last hundred records as
// sample words. Full-length (32,760 samples) two-channel records from the simulated
// instrument, each described as the view describes it; the growth of the process's resident
// memory over the first hundred, and after fifty more (the oldest leave, so it stays).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "tools/servers/view/record_event.h"
#include "tools/station/station.h"

namespace zarvo::station {
namespace {

double ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

void History(benchmark::State& state) {
    setenv("ZARVO_SIM", "time=virtual,ch2=square:500:0.5", 1);
    ReturnLargeBuffersToTheSystem();  // as the view does
    Station station(Station::Mode::Synchronous);
    station.SetDescriber([](const TakenRecord& record) {
        return view::RecordEvent(record, Station::KeptWith(record.seq)).dump();
    });
    if (!station.Open()) {
        state.SkipWithError("no simulated instrument");
        return;
    }
    const ApplyResult set =
        station.Apply({{"length", 32760}, {"rate", 1e6}, {"ch1.on", true}, {"ch2.on", true}});
    if (set.outcome != Outcome::Applied) {
        state.SkipWithError(set.body.dump().c_str());
        return;
    }
    station.Step();  // one record and its description: what a view holds without history
    const double before = ResidentBytes();
    double kept = 0;
    double again = 0;
    for (auto _ : state) {
        for (std::size_t i = 1; i < kKeptRecords; ++i) station.Step();
        kept = ResidentBytes() - before;
        for (std::size_t i = 0; i < kKeptRecords / 2; ++i) station.Step();
        again = ResidentBytes() - before;
    }
    const auto [first, last] = station.KeptRange();
    if (last - first + 1 != kKeptRecords) state.SkipWithError("not a hundred records kept");
    // The first record was in `before` already: 99 records' growth, scaled to the hundred.
    const double perRecord = kept / static_cast<double>(kKeptRecords - 1);
    state.counters["bytes_per_record"] = perRecord;
    state.counters["history_MB"] = perRecord * kKeptRecords / 1e6;
    state.counters["after_150_MB"] = (again + perRecord) / 1e6;
    state.counters["words_bytes_per_record"] = 2.0 * 32760 * 2;
}
BENCHMARK(History)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zarvo::station

BENCHMARK_MAIN();
