// SPDX-License-Identifier: MIT
#include "sim/logic_line.h"

#include <cmath>

namespace zarvo::sim {

namespace {

constexpr std::int64_t kNeverTime = std::numeric_limits<std::int64_t>::max();
constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();
// Beyond this a tick number no longer fits the signal time (about 290 years).
constexpr double kLastTick = 9e18;
// Nanoseconds a computed edge may be stepped to agree with HighAt.
constexpr int kAgreeSteps = 4;
constexpr double kIdleBits = 20.0;

// Ticks from each tick to the nearest one at or after it (cyclically) whose level is `want`.
std::vector<std::uint32_t> Distances(const std::vector<std::uint8_t>& levels, bool want) {
    const std::size_t n = levels.size();
    std::vector<std::uint32_t> to(n, kNone);
    // Two passes backwards over the cycle: the second one carries the first match around.
    std::uint32_t distance = kNone;
    for (std::size_t pass = 0; pass < 2; ++pass) {
        for (std::size_t j = n; j-- > 0;) {
            if ((levels[j] != 0) == want) {
                distance = 0;
            } else if (distance != kNone) {
                ++distance;
            }
            to[j] = distance;
        }
    }
    return to;
}

void Repeat(std::vector<std::uint8_t>* levels, std::size_t count, std::uint8_t level) {
    levels->insert(levels->end(), count, level);
}

}  // namespace

LogicLine::LogicLine(double tickNs, std::vector<std::uint8_t> levels, double high, std::string text)
    : tickNs_(tickNs),
      levels_(std::move(levels)),
      toHigh_(Distances(levels_, true)),
      toLow_(Distances(levels_, false)),
      high_(high),
      text_(std::move(text)) {
    std::size_t highs = 0;
    for (const std::uint8_t level : levels_) highs += level != 0 ? 1 : 0;
    mean_ = levels_.empty()
                ? 0.0
                : high_ * static_cast<double>(highs) / static_cast<double>(levels_.size());
}

bool LogicLine::HighAt(std::int64_t t) const {
    const double tick = std::floor(static_cast<double>(t) / tickNs_);
    if (!(std::fabs(tick) < kLastTick)) return false;
    const auto n = static_cast<std::int64_t>(levels_.size());
    std::int64_t index = static_cast<std::int64_t>(tick) % n;
    if (index < 0) index += n;
    return levels_[static_cast<std::size_t>(index)] != 0;
}

std::int64_t LogicLine::NextHigh(std::int64_t t) const {
    return Next(t, true);
}

std::int64_t LogicLine::NextLow(std::int64_t t) const {
    return Next(t, false);
}

std::int64_t LogicLine::Next(std::int64_t t, bool high) const {
    if (HighAt(t) == high) return t;
    const double tick = std::floor(static_cast<double>(t) / tickNs_);
    if (!(std::fabs(tick) < kLastTick)) return kNeverTime;
    const auto n = static_cast<std::int64_t>(levels_.size());
    std::int64_t index = static_cast<std::int64_t>(tick) % n;
    if (index < 0) index += n;
    const std::uint32_t ahead = (high ? toHigh_ : toLow_)[static_cast<std::size_t>(index)];
    if (ahead == kNone) return kNeverTime;
    const double at = std::ceil((tick + ahead) * tickNs_);
    if (!(at < kLastTick)) return kNeverTime;
    auto found = static_cast<std::int64_t>(at);
    if (found < t) found = t;
    for (int i = 0; i < kAgreeSteps && HighAt(found) != high; ++i) ++found;
    return found;
}

std::shared_ptr<const LogicLine> UartLine(double baud, const std::vector<std::uint8_t>& bytes,
                                          double volts, std::string text) {
    std::vector<std::uint8_t> levels;
    for (const std::uint8_t byte : bytes) {
        levels.push_back(0);  // start bit
        for (int bit = 0; bit < 8; ++bit) levels.push_back((byte >> bit) & 1u);
        levels.push_back(1);  // stop bit
    }
    Repeat(&levels, static_cast<std::size_t>(kIdleBits), 1);
    return std::make_shared<const LogicLine>(1e9 / baud, std::move(levels), volts, std::move(text));
}

BusLines I2cLines(double rate, std::uint8_t address, const std::vector<std::uint8_t>& bytes,
                  double volts, const std::string& text) {
    std::vector<std::uint8_t> scl;
    std::vector<std::uint8_t> sda;
    const auto put = [&](std::uint8_t clock, std::uint8_t data) {
        scl.push_back(clock);
        sda.push_back(data);
    };
    put(1, 0);  // start: SDA falls while SCL is high
    std::uint8_t last = 0;
    const auto bit = [&](std::uint8_t value) {
        put(0, last);
        put(0, value);
        put(1, value);
        put(1, value);
        last = value;
    };
    const auto byte = [&](std::uint8_t value) {
        for (int b = 7; b >= 0; --b) bit((value >> b) & 1u);
        bit(0);  // acknowledged by the device
    };
    byte(static_cast<std::uint8_t>(address << 1));  // write
    for (const std::uint8_t value : bytes) byte(value);
    // Stop: SDA low under a low clock, the clock rises, then SDA rises while SCL is high.
    put(0, last);
    put(0, 0);
    put(1, 0);
    Repeat(&scl, static_cast<std::size_t>(kIdleBits * 4) + 1, 1);
    Repeat(&sda, static_cast<std::size_t>(kIdleBits * 4) + 1, 1);
    const double tick = 1e9 / (4.0 * rate);
    return {std::make_shared<const LogicLine>(tick, std::move(scl), volts, text + " (SCL)"),
            std::make_shared<const LogicLine>(tick, std::move(sda), volts, text + " (SDA)")};
}

BusLines SpiLines(double rate, const std::vector<std::uint8_t>& bytes, double volts,
                  const std::string& text) {
    std::vector<std::uint8_t> clock;
    std::vector<std::uint8_t> data;
    for (const std::uint8_t value : bytes) {
        for (int b = 7; b >= 0; --b) {
            const auto level = static_cast<std::uint8_t>((value >> b) & 1u);
            clock.push_back(0);
            clock.push_back(1);
            data.push_back(level);
            data.push_back(level);
        }
    }
    Repeat(&clock, static_cast<std::size_t>(kIdleBits * 2), 0);
    Repeat(&data, static_cast<std::size_t>(kIdleBits * 2), 0);
    const double tick = 1e9 / (2.0 * rate);
    return {std::make_shared<const LogicLine>(tick, std::move(clock), volts, text + " (clock)"),
            std::make_shared<const LogicLine>(tick, std::move(data), volts, text + " (data)")};
}

}  // namespace zarvo::sim
