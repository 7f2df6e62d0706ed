// SPDX-License-Identifier: MIT
// The spectrum of a record in dBV through the FFT, with its window and its peak.
#include "tools/analysis/spectrum.h"

#include <kiss_fftr.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <stdexcept>

#include "tools/core/numbers.h"

namespace zarvo::analysis {

namespace {

struct WindowInfo {
    Window window;
    const char* name;
    // Cosine-sum coefficients a0 - a1 cos(x) + a2 cos(2x) - ...
    std::array<double, 5> terms;
};

// The flat-top terms hold the main lobe within a few thousandths of a dB over +-half a bin.
constexpr WindowInfo kWindows[] = {
    {Window::Hann, "hann", {0.5, 0.5, 0, 0, 0}},
    {Window::FlatTop, "flattop", {0.21557895, 0.41663158, 0.277263158, 0.083578947, 0.006947368}},
    {Window::Rect, "rect", {1, 0, 0, 0, 0}},
};

const WindowInfo& InfoOf(Window window) {
    for (const WindowInfo& w : kWindows) {
        if (w.window == window) return w;
    }
    return kWindows[0];
}

// 1e-10 V, the floor of -200 dBV.
constexpr double kFloorVolts = 1e-10;

double Dbv(double rmsVolts) {
    return rmsVolts > kFloorVolts ? 20 * std::log10(rmsVolts) : kFloorDbv;
}

}  // namespace

std::optional<Window> WindowNamed(std::string_view name) {
    for (const WindowInfo& w : kWindows) {
        if (name == w.name) return w.window;
    }
    return std::nullopt;
}

const char* WindowName(Window window) {
    return InfoOf(window).name;
}

std::vector<std::string> WindowNameList() {
    std::vector<std::string> names;
    for (const WindowInfo& w : kWindows) names.emplace_back(w.name);
    return names;
}

std::string WindowNames() {
    const std::vector<std::string> names = WindowNameList();
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) text += i + 1 == names.size() ? " or " : ", ";
        text += names[i];
    }
    return text;
}

double RoundDb(double dBV) {
    return std::round(dBV * 100) / 100;
}

std::string SpectrumPeak::Text() const {
    // One decimal, with a true minus sign as the page shows it.
    const double tenths = std::round(dBV * 10) / 10;
    char digits[32];
    std::snprintf(digits, sizeof digits, "%.1f", std::fabs(tenths));
    const std::string level = (tenths < 0 ? "\xE2\x88\x92" : "") + std::string(digits);
    return "peak: " + core::FormatSi(hz, "Hz") + ", " + level + " dBV";
}

// The FFT's configuration and the buffers of one record length; the window's weights for
// the window last asked for.
struct SpectrumAnalyser::Plan {
    std::size_t samples = 0;
    std::size_t fftLength = 0;
    kiss_fftr_cfg cfg = nullptr;
    std::optional<Window> window;
    std::vector<float> weights;  // one per sample
    double weightSum = 0;
    std::vector<float> input;  // fftLength: windowed samples, then zeros
    std::vector<kiss_fft_cpx> output;

    explicit Plan(std::size_t n) : samples(n), fftLength(FftLength(n)) {
        if (fftLength > static_cast<std::size_t>(INT_MAX)) {
            throw std::length_error("a record too long for a spectrum");
        }
        cfg = kiss_fftr_alloc(static_cast<int>(fftLength), 0, nullptr, nullptr);
        if (cfg == nullptr) throw std::bad_alloc();
        input.assign(fftLength, 0.0F);
        output.resize(fftLength / 2 + 1);
        weights.resize(n);
    }
    ~Plan() { kiss_fftr_free(cfg); }
    Plan(const Plan&) = delete;
    Plan& operator=(const Plan&) = delete;

    void UseWindow(Window w) {
        if (window == w) return;
        const WindowInfo& info = InfoOf(w);
        // Periodic weights (over n, not n - 1): the ones whose gain spectral analysis assumes.
        const double step = 2 * std::numbers::pi / static_cast<double>(samples);
        weightSum = 0;
        for (std::size_t i = 0; i < samples; ++i) {
            double value = 0;
            double sign = 1;
            for (std::size_t t = 0; t < info.terms.size(); ++t, sign = -sign) {
                if (info.terms[t] == 0) continue;
                value += sign * info.terms[t] *
                         std::cos(static_cast<double>(t) * step * static_cast<double>(i));
            }
            weights[i] = static_cast<float>(value);
            weightSum += weights[i];
        }
        window = w;
    }
};

SpectrumAnalyser::SpectrumAnalyser() = default;
SpectrumAnalyser::~SpectrumAnalyser() = default;

std::size_t SpectrumAnalyser::FftLength(std::size_t samples) {
    if (samples == 0) return 0;
    if (samples > static_cast<std::size_t>(INT_MAX / 2)) return samples + samples % 2;
    return static_cast<std::size_t>(kiss_fftr_next_fast_size_real(static_cast<int>(samples)));
}

void SpectrumAnalyser::Compute(const std::vector<double>& volts, double rate, Window window,
                               Spectrum& out) {
    Run(
        volts.size(), [&](std::size_t i) { return volts[i]; }, rate, window, out);
}

void SpectrumAnalyser::Compute(const std::vector<std::uint16_t>& words, double scale, double rate,
                               Window window, Spectrum& out) {
    Run(
        words.size(),
        [&](std::size_t i) {
            return static_cast<double>(static_cast<int>(words[i]) - 0x8000) * scale;
        },
        rate, window, out);
}

template <typename SampleAt>
void SpectrumAnalyser::Run(std::size_t n, const SampleAt& sampleAt, double rate, Window window,
                           Spectrum& out) {
    out.dBV.clear();
    out.peak = {};
    out.binHz = 0;
    if (n == 0) return;
    if (plan_ == nullptr || plan_->samples != n) plan_ = std::make_unique<Plan>(n);
    Plan& p = *plan_;
    p.UseWindow(window);
    for (std::size_t i = 0; i < n; ++i) {
        p.input[i] = static_cast<float>(sampleAt(i)) * p.weights[i];
    }
    kiss_fftr(p.cfg, p.input.data(), p.output.data());

    const std::size_t bins = p.output.size();
    const std::size_t last = p.fftLength / 2;
    out.binHz = rate > 0 ? rate / static_cast<double>(p.fftLength) : 0;
    out.dBV.resize(bins);
    // A line of amplitude A at a bin's centre gives A/2 x the weights' sum there; its RMS is
    // A / sqrt 2. The DC term and the half-rate term have no mirror image: their value is the
    // level itself.
    const double gain = p.weightSum > 0 ? p.weightSum : 1;
    for (std::size_t k = 0; k < bins; ++k) {
        const double re = p.output[k].r;
        const double im = p.output[k].i;
        const double magnitude = std::sqrt(re * re + im * im) / gain;
        out.dBV[k] = Dbv(k == 0 || k == last ? magnitude : magnitude * std::numbers::sqrt2);
    }

    // The highest line: a bin above both neighbours (the DC term's lobe only falls away from
    // bin 0, so it holds none); the DC term itself when there is none.
    std::size_t best = 0;
    for (std::size_t k = 1; k < bins; ++k) {
        const bool top =
            out.dBV[k] > out.dBV[k - 1] && (k + 1 == bins || out.dBV[k] >= out.dBV[k + 1]);
        if (top && out.dBV[k] > kFloorDbv && (best == 0 || out.dBV[k] > out.dBV[best])) best = k;
    }
    // Where the line lies between bins: the vertex of the parabola through the top three.
    double offset = 0;
    if (best > 0 && best + 1 < bins) {
        const double a = out.dBV[best - 1];
        const double b = out.dBV[best];
        const double c = out.dBV[best + 1];
        const double curve = a - 2 * b + c;
        if (curve < 0) offset = std::clamp(0.5 * (a - c) / curve, -0.5, 0.5);
    }
    out.peak.hz = (static_cast<double>(best) + offset) * out.binHz;
    out.peak.dBV = out.dBV[best];
}

}  // namespace zarvo::analysis
