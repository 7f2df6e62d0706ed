// SPDX-License-Identifier: MIT
// zarvo info and zarvo generator: what the instrument says about itself, the square-wave output.
#include <cstdio>
#include <iostream>

#include "tools/cli/subcommands.h"
#include "tools/core/numbers.h"
#include "tools/core/process.h"
#include "tools/core/status.h"
#include "zarvo.h"

namespace zarvo::cli {

namespace {

void PrintList(const char* title, const double (&values)[20], const char* unit) {
    std::cout << title << ':';
    for (double v : values) {
        if (v != 0) std::cout << ' ' << v << unit;
    }
    std::cout << '\n';
}

}  // namespace

int RunInfo() {
    core::Session session;
    std::cout << "instrument: found on the parallel port\n";
    std::uint16_t channels = 0;
    core::Check(GetNrChannels(&channels), "GetNrChannels");
    std::int32_t serial = 0;
    core::Check(GetSerialNumber(&serial), "GetSerialNumber");
    std::uint32_t date = 0;
    core::Check(GetCalibrationDate(&date), "GetCalibrationDate");
    // Trigger mode 4 exists only on one model variant; ask for it and put the mode back.
    std::uint8_t mode = 0;
    core::Check(GetTriggerModeCh(1, &mode), "GetTriggerModeCh");
    const bool mode4 = SetTriggerModeCh(1, 4) == RC_OK;
    SetTriggerModeCh(1, mode);

    std::cout << "model: Zarvo family, " << channels << " channels, "
              << (mode4 ? "with" : "without") << " trigger mode 4\n"
              << "serial number: " << serial << '\n';
    char dateText[16];
    std::snprintf(dateText, sizeof dateText, "%04u-%02u-%02u", date & 0xFFFFu, (date >> 16) & 0xFFu,
                  date >> 24);
    std::cout << "calibration date: " << dateText << '\n'
              << "maximum sample frequency: " << core::FormatSi(GetMaxSampleFrequencyF(), "Hz")
              << " per channel (" << core::FormatSi(2 * GetMaxSampleFrequencyF(), "Hz")
              << " on channel 1 alone)\n"
              << "maximum record length: " << GetMaxRecordLength() << " samples\n";
    double ranges[20] = {};
    core::Check(GetAvailableSensitivities(ranges), "GetAvailableSensitivities");
    PrintList("input ranges", ranges, " V");
    double resolutions[20] = {};
    core::Check(GetAvailableResolutions(resolutions), "GetAvailableResolutions");
    PrintList("resolutions", resolutions, " bits");
    return 0;
}

int RunGenerator(const std::string& frequency) {
    std::uint32_t hz = 0;
    if (frequency != "off") {
        std::size_t used = 0;
        double value = 0;
        try {
            value = std::stod(frequency, &used);
        } catch (const std::exception&) {
            used = 0;
        }
        if (used != frequency.size() || !(value > 0) || value > 4294967295.0) {
            throw core::ToolError("generator: FREQ must be 'off' or a frequency in Hz, not '" +
                                  frequency + "'");
        }
        // Below 1 Hz still asks for the slowest rate, never for "off".
        hz = value < 1 ? 1u : static_cast<std::uint32_t>(value + 0.5);
    }
    core::Session session;
    core::Check(SetSquareWaveGenFrequency(&hz), "SetSquareWaveGenFrequency");
    if (hz == 0) {
        std::cout << "square-wave output: off\n";
    } else {
        std::cout << "square-wave output: " << hz << " Hz\n";
    }
    return 0;
}

}  // namespace zarvo::cli
