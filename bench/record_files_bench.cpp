// SPDX-License-Identifier: MIT
// Writing and reading one full record (32,760 samples on each of two channels, converter steps
// of a sine) in each record file format, through the same calls the tool uses: the encoding
// and the safe write (temporary file, rename) for writing, the whole file read and checked
// for reading. The files go to the system's temporary folder.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>

#include "tools/files/record_files.h"

namespace zarvo::files {
namespace {

core::Record FullRecord() {
    core::Record record;
    record.sampleRate = 1e6;
    record.preSamples = 1000;
    for (int ch = 1; ch <= 2; ++ch) {
        core::Trace trace{ch, 2.0, std::vector<double>(32760)};
        for (std::size_t i = 0; i < trace.volts.size(); ++i) {
            const double v = std::sin(2 * M_PI * 1000 * static_cast<double>(i) / 1e6) / ch;
            trace.volts[i] = std::round(v * 64) / 64;  // 2 V range: 64 steps per volt
        }
        record.traces.push_back(std::move(trace));
    }
    return record;
}

std::string PathFor(FileFormat format) {
    return (std::filesystem::temp_directory_path() /
            ("zarvo-bench-" + std::to_string(::getpid()) + "." + std::string(InfoOf(format).name)))
        .string();
}

void Write(benchmark::State& state, FileFormat format) {
    const core::Record record = FullRecord();
    const std::string path = PathFor(format);
    for (auto _ : state) WriteRecordFile(path, record, format);
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
    std::filesystem::remove(path);
}

void Read(benchmark::State& state, FileFormat format) {
    const std::string path = PathFor(format);
    WriteRecordFile(path, FullRecord(), format);
    for (auto _ : state) benchmark::DoNotOptimize(ReadRecordFile(path));
    std::filesystem::remove(path);
}

BENCHMARK_CAPTURE(Write, csv, FileFormat::Csv)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Write, sr, FileFormat::Sigrok)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Write, wav, FileFormat::Wav)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Write, npz, FileFormat::Numpy)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Read, csv, FileFormat::Csv)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Read, sr, FileFormat::Sigrok)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Read, npz, FileFormat::Numpy)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zarvo::files
BENCHMARK_MAIN();
