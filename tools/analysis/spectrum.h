// SPDX-License-Identifier: MIT
// The spectrum of a record: magnitude in dBV against frequency, from 0 to half the sample
// rate, as the live view draws it and `zarvo capture --spectrum` writes it.
//
// A bin reads the RMS volts of a sine at its frequency: a 1 V amplitude sine reads -3.01 dBV,
// whatever the window, once the window's gain is divided out. The windows trade frequency
// resolution for level accuracy: Hann (the default) separates neighbouring lines well, the
// flat-top window reads the level of a line that falls between two bins to within a few
// hundredths of a dB, the rectangular window is exact for a whole number of periods only.
//
// The record is zero-padded to the next length the FFT factors into 2, 3 and 5, so that any
// record length costs about what the nearest power of two costs (32,760 samples: 32,768).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zarvo::analysis {

enum class Window { Hann, FlatTop, Rect };

// "hann", "flattop" or "rect"; nothing for any other name.
std::optional<Window> WindowNamed(std::string_view name);
const char* WindowName(Window window);
// The names: as a list, and for messages ("hann, flattop or rect").
std::vector<std::string> WindowNameList();
std::string WindowNames();

// Levels below this (1e-10 V) read as this: an empty bin of a quantised record has no level.
constexpr double kFloorDbv = -200;

struct SpectrumPeak {
    double hz = 0;
    double dBV = kFloorDbv;
    // "peak: 1 kHz, −3.0 dBV"
    std::string Text() const;
};

// The spectrum of one channel's record.
struct Spectrum {
    double binHz = 0;         // frequency step between bins
    std::vector<double> dBV;  // bins 0 .. fftLength / 2
    SpectrumPeak peak;        // the highest bin outside the DC term's lobe
};

// Rounds a level to the hundredth of a dB that files and the page show.
double RoundDb(double dBV);

// Computes spectra, keeping its FFT plan, window and buffers from one call to the next as long
// as the record length stays the same. Not safe to share between threads without a lock.
class SpectrumAnalyser {
public:
    SpectrumAnalyser();
    ~SpectrumAnalyser();
    SpectrumAnalyser(const SpectrumAnalyser&) = delete;
    SpectrumAnalyser& operator=(const SpectrumAnalyser&) = delete;

    // Samples in volts.
    void Compute(const std::vector<double>& volts, double rate, Window window, Spectrum& out);
    // The instrument's sample words, volts = (word - 0x8000) x scale.
    void Compute(const std::vector<std::uint16_t>& words, double scale, double rate, Window window,
                 Spectrum& out);

    // The FFT length for a record of `samples` samples (0 for none).
    static std::size_t FftLength(std::size_t samples);

private:
    struct Plan;
    template <typename SampleAt>
    void Run(std::size_t n, const SampleAt& sampleAt, double rate, Window window, Spectrum& out);
    std::unique_ptr<Plan> plan_;
};

}  // namespace zarvo::analysis
