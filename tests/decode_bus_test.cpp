// SPDX-License-Identifier: MIT
// The bus decoders on records of the simulated buses, taken through the exports as an
// application takes them: the bytes, and each one's time within two samples of where the
// simulated line put it.
#include <cmath>
#include <iterator>
#include <string>
#include <vector>

#include "support/api_session.h"
#include "tools/analysis/decode/decode.h"

namespace {

using analysis::decode::Decode;
using analysis::decode::Frame;
using analysis::decode::Kind;
using analysis::decode::ParseBusSetup;
using analysis::decode::Record;
using analysis::decode::Result;

class DecodeBus : public zarvo::testing::ApiSession {
protected:
    // Both channels on the 4 V range, triggered on channel `source` crossing `level` with the
    // slope given (mode 0 rising, 1 falling); the trigger point opens the record.
    void Take(const std::string& keys, double rate, uint32_t length, uint8_t source = tsCh1,
              double level = 1.65, uint8_t slope = 1) {
        ASSERT_EQ(Start(keys), RC_OK);
        ASSERT_EQ(SetMeasureMode(3), RC_OK);
        ASSERT_EQ(SetRecordLength(length), RC_OK);
        ASSERT_EQ(SetPostSamples(length), RC_OK);
        ASSERT_EQ(SetSampleFrequencyF(&rate), RC_OK);
        rate_ = rate;
        for (uint8_t ch = 1; ch <= 2; ++ch) {
            double range = 4.0;
            ASSERT_EQ(SetSensitivity(ch, &range), RC_OK);
        }
        ASSERT_EQ(SetTriggerSource(source), RC_OK);
        ASSERT_EQ(SetTriggerMode(slope), RC_OK);
        if (source == tsCh1 || source == tsCh2) {
            ASSERT_EQ(SetTriggerLevel(source == tsCh1 ? 1 : 2, level), RC_OK);
        }
        ASSERT_EQ(StartMeasurement(), RC_OK);
        ch1_.assign(length, 0.0);
        ch2_.assign(length, 0.0);
        ASSERT_EQ(GetMeasurement(ch1_.data(), ch2_.data()), RC_OK);
    }

    Result Run(const std::string& setting) const {
        std::string error;
        const auto setup = ParseBusSetup(setting, &error);
        EXPECT_TRUE(setup.has_value()) << error;
        Record record;
        record.volts[0] = ch1_.data();
        record.volts[1] = ch2_.data();
        record.count = ch1_.size();
        record.rate = rate_;
        record.triggerIndex = 0;
        return setup ? Decode(*setup, record) : Result{};
    }

    // Index of the first frame from which `values` follow one another as data frames.
    static std::size_t Find(const Result& r, const std::vector<uint32_t>& values) {
        for (std::size_t i = 0; i + values.size() <= r.frames.size(); ++i) {
            bool all = true;
            for (std::size_t k = 0; k < values.size() && all; ++k) {
                all = r.frames[i + k].kind == Kind::Data && r.frames[i + k].value == values[k];
            }
            if (all) return i;
        }
        return r.frames.size();
    }

    // The trigger point is on one of the line's edges, so every edge of the line is a whole
    // number of ticks from it.
    void ExpectOnTicks(double seconds, double tick) const {
        const double ticks = seconds / tick;
        EXPECT_LE(std::fabs(ticks - std::round(ticks)) * tick * rate_, 2.0) << seconds;
    }
    void ExpectWithinTwoSamples(double seconds, double expected) const {
        EXPECT_LE(std::fabs(seconds - expected) * rate_, 2.0) << seconds << " vs " << expected;
    }

    std::vector<double> ch1_, ch2_;
    double rate_ = 0;
};

const std::vector<uint32_t> kHello = {'H', 'e', 'l', 'l', 'o', '\r', '\n'};
constexpr const char* kHelloLine = "ch1=uart:115200:48656C6C6F0D0A";

TEST_F(DecodeBus, UartGivesTheBytesAtTheTimesTheLineSentThem) {
    Take(kHelloLine, 2.5e6, 32760);
    for (const char* setting : {"uart:baud=115200", "uart"}) {
        const Result r = Run(setting);
        EXPECT_EQ(r.baud, 115200) << setting << ": found from the pulses and snapped";
        const std::size_t at = Find(r, kHello);
        ASSERT_LT(at, r.frames.size()) << setting << ": " << r.message;
        const double bit = 1.0 / 115200;
        for (std::size_t k = 0; k < kHello.size(); ++k) {
            const Frame& f = r.frames[at + k];
            EXPECT_TRUE(f.error.empty()) << f.error;
            ExpectOnTicks(f.start, bit);
            ExpectWithinTwoSamples(f.start, r.frames[at].start + 10.0 * k * bit);
        }
        // The message comes again after 20 idle bit times, and nothing else is on the line.
        const std::size_t again = Find(r, kHello);
        ASSERT_LT(at + kHello.size(), r.frames.size());
        ExpectWithinTwoSamples(r.frames[at + kHello.size()].start, r.frames[at].start + 90.0 * bit);
        for (std::size_t i = at; i < r.frames.size(); ++i) {
            EXPECT_EQ(r.frames[i].value, kHello[(i - at) % kHello.size()]) << i;
        }
        EXPECT_EQ(again, at);
    }
}

TEST_F(DecodeBus, UartReadsANoisyLine) {
    Take(std::string(kHelloLine) + ",noise=0.15", 2.5e6, 8000);
    const Result r = Run("uart");
    EXPECT_EQ(r.baud, 115200);
    const std::size_t at = Find(r, kHello);
    ASSERT_LT(at, r.frames.size()) << r.message;
    for (std::size_t k = 0; k < kHello.size(); ++k) {
        ExpectWithinTwoSamples(r.frames[at + k].start, r.frames[at].start + 10.0 * k / 115200);
    }
}

TEST_F(DecodeBus, UartReadsAnInvertedLineWhenToldItIsInverted) {
    // Idle at -3.3 V, the start bit at 0 V: the line of an RS-232 driver.
    Take("ch1=uart:115200:48656C6C6F0D0A:-3.3", 2.5e6, 8000, tsCh1, -1.65, 0);
    const Result inverted = Run("uart:baud=115200:invert");
    EXPECT_LT(Find(inverted, kHello), inverted.frames.size()) << inverted.message;
    const Result asNormal = Run("uart:baud=115200");
    EXPECT_EQ(Find(asNormal, kHello), asNormal.frames.size());
}

TEST_F(DecodeBus, UartWithTheWrongParityReportsParityErrors) {
    // One byte, 0x48 (two ones), then idle: read with a parity bit, the stop bit becomes it.
    Take("ch1=uart:115200:48", 2.5e6, 8000);
    const Result even = Run("uart:baud=115200:parity=even");
    ASSERT_FALSE(even.frames.empty()) << even.message;
    for (const Frame& f : even.frames) {
        EXPECT_EQ(f.value, 0x48u) << f.start * 115200;
        EXPECT_EQ(f.error, "parity error");
    }
    const Result odd = Run("uart:baud=115200:parity=odd");
    ASSERT_FALSE(odd.frames.empty()) << odd.message;
    for (const Frame& f : odd.frames) EXPECT_EQ(f.error, "") << "three ones: odd parity holds";
    const Result sevenBits = Run("uart:baud=115200:bits=7:stop=2");
    ASSERT_FALSE(sevenBits.frames.empty());
    EXPECT_EQ(sevenBits.frames[0].value, 0x48u) << "bit 7 of 0x48 is 0";
}

TEST_F(DecodeBus, UartWithTooFewSamplesPerBitSaysWhatRateIsNeeded) {
    Take("ch1=uart:9600:48656C6C6F0D0A", 20e3, 2000);
    const Result r = Run("uart:baud=9600");
    EXPECT_TRUE(r.frames.empty());
    EXPECT_EQ(r.message,
              "2.1 samples per bit at 9600 baud: at least 4 are needed; a rate of 38.4 kHz or "
              "more");
}

TEST_F(DecodeBus, SpiWithTooFewSamplesPerClockSaysWhatRateIsNeeded) {
    // 2.5 samples per period of a 1 MHz clock: its edges are seen, its bits are not.
    Take("bus=spi:1000000:DEADBEEF", 2.5e6, 2000, tsNoTrig);
    const Result r = Run("spi");
    EXPECT_TRUE(r.frames.empty());
    EXPECT_EQ(r.message,
              "2.5 samples per clock at 1 MHz: at least 4 are needed; a rate of 4 MHz or more");
}

TEST_F(DecodeBus, I2cWithTooFewSamplesPerClockSaysWhatRateIsNeeded) {
    // A clock high for a sample or so shows only some of its pulses.
    Take("bus=i2c:100000:50:A55A01", 250e3, 2000, tsNoTrig);
    const Result i2c = Run("i2c");
    EXPECT_TRUE(i2c.frames.empty());
    EXPECT_EQ(i2c.message,
              "2.5 samples per clock at 100 kHz: at least 4 are needed; a rate of 400 kHz or more");
}

TEST_F(DecodeBus, I2cGivesAddressDataAndAcknowledgesOnTheClockEdges) {
    // Triggered as SCL falls, so the record opens on a quarter-bit boundary.
    Take("bus=i2c:100000:50:A55A01", 2.5e6, 16000);
    const Result r = Run("i2c");
    const Kind order[] = {Kind::Start, Kind::Address, Kind::Ack,  Kind::Data, Kind::Ack,
                          Kind::Data,  Kind::Ack,     Kind::Data, Kind::Ack,  Kind::Stop};
    const uint32_t values[] = {0, 0x50, 0, 0xA5, 0, 0x5A, 0, 0x01, 0, 0};
    std::size_t at = 0;
    while (at < r.frames.size() && r.frames[at].kind != Kind::Start) ++at;
    ASSERT_LE(at + 10, r.frames.size()) << r.message;
    const double quarter = 1.0 / 400000;
    const double start = r.frames[at].start;
    ExpectOnTicks(start, quarter);
    for (std::size_t k = 0; k < 10; ++k) {
        const Frame& f = r.frames[at + k];
        EXPECT_EQ(f.kind, order[k]) << k;
        EXPECT_EQ(f.value, values[k]) << k;
    }
    EXPECT_FALSE(r.frames[at + 1].read) << "written to";
    // Each byte begins as SCL falls before its first bit: a quarter bit after the start,
    // then every nine bits.
    for (std::size_t byte = 0; byte < 4; ++byte) {
        ExpectWithinTwoSamples(r.frames[at + 1 + 2 * byte].start,
                               start + (1.0 + 36.0 * byte) * quarter);
    }
}

TEST_F(DecodeBus, SpiGivesTheWordsInEveryBitOrder) {
    Take("bus=spi:1000000:DEADBEEF", 25e6, 5000, tsCh1, 1.65, 0);
    const Result r = Run("spi");
    const std::size_t at = Find(r, {0xDE, 0xAD, 0xBE, 0xEF});
    ASSERT_LT(at, r.frames.size()) << r.message;
    ExpectOnTicks(r.frames[at].start, 0.5e-6);
    for (std::size_t k = 0; k < 4; ++k) {
        ExpectWithinTwoSamples(r.frames[at + k].start, r.frames[at].start + 8e-6 * k);
    }
    // 0xDE read least significant bit first is 0x7B; 16-bit words pair the bytes.
    EXPECT_LT(Find(Run("spi:lsb"), {0x7B, 0xB5, 0x7D, 0xF7}), Run("spi:lsb").frames.size());
    EXPECT_LT(Find(Run("spi:bits=16"), {0xDEAD, 0xBEEF}), Run("spi:bits=16").frames.size());
    // Mode 1 reads at the falling edge, where the line has just moved on: not these words.
    const Result mode1 = Run("spi:mode=1");
    EXPECT_EQ(Find(mode1, {0xDE, 0xAD, 0xBE, 0xEF}), mode1.frames.size());
}

TEST_F(DecodeBus, ALineThatNeverChangesSaysSo) {
    Take("ch1=dc:1,ch2=uart:9600:55", 1e6, 8000, tsNoTrig);
    EXPECT_EQ(Run("uart").message, "no edges on channel 1");
    EXPECT_EQ(Run("i2c:scl=2:sda=1").message, "no edges on channel 1");
    EXPECT_EQ(Run("spi").message, "no edges on channel 1");
    EXPECT_TRUE(Run("uart:ch=2:baud=9600").message.empty());
}

// An I2C transfer drawn sample by sample, four samples a quarter bit.
struct I2cDrawing {
    std::vector<double> scl = std::vector<double>(16, 3.3), sda = std::vector<double>(16, 3.3);
    void Put(bool clock, bool data) {
        scl.insert(scl.end(), 4, clock ? 3.3 : 0.0);
        sda.insert(sda.end(), 4, data ? 3.3 : 0.0);
    }
    // SDA high under a low clock, the clock up, then SDA falls: a start, or a repeated one.
    void Start() {
        Put(false, sda.back() > 1.0);
        Put(false, true);
        Put(true, true);
        Put(true, false);
    }
    void Byte(unsigned value, bool ack) {
        for (int b = 8; b >= 0; --b) {
            const bool one = b == 0 ? !ack : ((value >> (b - 1)) & 1u) != 0;
            const bool before = sda.back() > 1.0;
            Put(false, before);
            Put(false, one);
            Put(true, one);
            Put(true, one);
        }
    }
    void Stop() {
        Put(false, false);
        Put(true, false);
        Put(true, true);
    }
};

TEST(DecodeI2c, TenBitAddressesAndARepeatedStartForReading) {
    I2cDrawing d;
    d.Start();
    d.Byte(0xF4, true);  // 11110, address bits 9..8 = 10, write
    d.Byte(0x34, true);  // address bits 7..0
    d.Start();           // repeated
    d.Byte(0xF5, true);  // the same device, read
    d.Byte(0x99, false);
    d.Stop();
    Record record;
    record.volts[0] = d.scl.data();
    record.volts[1] = d.sda.data();
    record.count = d.scl.size();
    record.rate = 1.6e6;
    const Result r = Decode(*ParseBusSetup("i2c", nullptr), record);
    struct Expected {
        Kind kind;
        uint32_t value;
        bool read;
    };
    const Expected expected[] = {{Kind::Start, 0, false}, {Kind::Address, 0x234, false},
                                 {Kind::Ack, 0, false},   {Kind::Ack, 0, false},
                                 {Kind::Start, 1, false}, {Kind::Address, 0x234, true},
                                 {Kind::Ack, 0, false},   {Kind::Data, 0x99, false},
                                 {Kind::Nack, 0, false},  {Kind::Stop, 0, false}};
    ASSERT_EQ(r.frames.size(), std::size(expected)) << r.message;
    for (std::size_t k = 0; k < std::size(expected); ++k) {
        EXPECT_EQ(r.frames[k].kind, expected[k].kind) << k;
        EXPECT_EQ(r.frames[k].value, expected[k].value) << k;
        EXPECT_EQ(r.frames[k].read, expected[k].read) << k;
    }
}

TEST(DecodeSetting, BadSettingsAreRefusedWithASentenceNamingThem) {
    struct Bad {
        const char* setting;
        const char* sentence;
    };
    const Bad cases[] = {
        {"can", "unknown bus 'can': give uart, i2c or spi"},
        {"", "no bus to decode: give uart, i2c or spi"},
        {"uart:speed=9600",
         "unknown key 'speed' for uart: give baud, ch, bits, parity, stop, invert or threshold"},
        {"uart:baud=20", "baud 20 for uart is outside 50 to 5,000,000"},
        {"uart:baud=6e6", "baud 6e6 for uart is outside 50 to 5,000,000"},
        {"uart:baud", "key 'baud' for uart needs a value: write baud=..."},
        {"uart:invert=1", "key 'invert' for uart takes no value: write invert"},
        {"uart:bits=10", "bits '10' for uart: give 5 to 9"},
        {"uart:parity=mark", "parity 'mark' for uart: give none, even or odd"},
        {"uart:stop=1.5", "stop '1.5' for uart: give 1 or 2 stop bits"},
        {"uart:ch=3", "ch '3' for uart is not a channel: give 1 or 2"},
        {"uart:threshold=high", "threshold 'high' for uart is not a number of volts"},
        {"i2c:scl=2", "scl and sda for i2c are both channel 2: give them different channels"},
        {"i2c:lsb", "unknown key 'lsb' for i2c: give scl, sda or threshold"},
        {"spi:mode=4", "mode '4' for spi: give 0, 1, 2 or 3"},
        {"spi:bits=3", "bits '3' for spi: give 4 to 16"},
    };
    for (const Bad& c : cases) {
        std::string error;
        EXPECT_FALSE(ParseBusSetup(c.setting, &error).has_value()) << c.setting;
        EXPECT_EQ(error, c.sentence) << c.setting;
    }
    const auto setup =
        ParseBusSetup("uart:baud=9600:ch=2:bits=7:parity=odd:stop=2:invert", nullptr);
    ASSERT_TRUE(setup.has_value());
    EXPECT_EQ(setup->baud, 9600);
    EXPECT_EQ(setup->channel, 2);
    EXPECT_EQ(setup->bits, 7);
    EXPECT_EQ(setup->parity, analysis::decode::Parity::Odd);
    EXPECT_EQ(setup->stopBits, 2);
    EXPECT_TRUE(setup->invert);
}

}  // namespace
