// SPDX-License-Identifier: MIT
// I2C: start and stop conditions, 7- and 10-bit addresses, bytes and acknowledges.
#include "tools/analysis/decode/buses.h"

namespace zarvo::analysis::decode {

namespace {

// The first byte of a 10-bit address: 11110 then the address's two high bits and R/W.
constexpr std::uint32_t kTenBitMask = 0xF8;
constexpr std::uint32_t kTenBitMark = 0xF0;
constexpr std::size_t kNoFrame = static_cast<std::size_t>(-1);

class I2cReader {
public:
    I2cReader(const Record& record, Result* result) : record_(record), result_(result) {}

    void Condition(double at, bool start) {
        // The clock pulse of a stop or repeated start samples one bit of nothing; more than
        // that is a byte cut short.
        if (inTransfer_ && bits_ > 1) Add(Kind::Error, start_, at, 0, "incomplete byte");
        Close(at);
        if (start) {
            Add(Kind::Start, at, at, inTransfer_ ? 1 : 0, {});
            open_ = result_->frames.size() - 1;  // until the clock falls
            inTransfer_ = true;
            byteIndex_ = 0;
        } else {
            if (inTransfer_) Add(Kind::Stop, at, at, 0, {});
            inTransfer_ = false;
        }
        bits_ = 0;
        lastFall_ = at;
    }

    void ClockFalls(double at) {
        Close(at);
        lastFall_ = at;
    }

    void ClockRises(bool sda) {
        if (!inTransfer_) return;
        if (bits_ == 0) {
            start_ = lastFall_;
            byte_ = 0;
        }
        ++bits_;
        if (bits_ <= 8) {
            byte_ = (byte_ << 1) | (sda ? 1u : 0u);
            if (bits_ == 8) Byte();
            return;
        }
        Add(sda ? Kind::Nack : Kind::Ack, lastFall_, lastFall_, 0, {});
        open_ = result_->frames.size() - 1;
        bits_ = 0;
        ++byteIndex_;
    }

private:
    void Byte() {
        if (byteIndex_ == 0) {
            const bool read = (byte_ & 1u) != 0;
            if ((byte_ & kTenBitMask) == kTenBitMark) {
                const std::uint32_t high = (byte_ >> 1) & 3u;
                // A read names only the high bits: the device is the one last addressed.
                const std::uint32_t value = read && (tenBit_ >> 8) == high ? tenBit_ : high << 8;
                tenBitFrame_ = read ? kNoFrame : result_->frames.size();
                Add(Kind::Address, start_, start_, value, {}, read);
            } else {
                tenBitFrame_ = kNoFrame;
                Add(Kind::Address, start_, start_, byte_ >> 1, {}, read);
            }
            open_ = result_->frames.size() - 1;
            return;
        }
        if (byteIndex_ == 1 && tenBitFrame_ != kNoFrame) {
            // The second byte of a 10-bit address completes the address frame.
            Frame& address = result_->frames[tenBitFrame_];
            address.value |= byte_;
            tenBit_ = address.value;
            tenBitFrame_ = kNoFrame;
            addressOpen_ = true;
            return;
        }
        Add(Kind::Data, start_, start_, byte_, {});
        open_ = result_->frames.size() - 1;
    }

    // The frame in progress ends at the next clock fall.
    void Close(double at) {
        if (open_ != kNoFrame && open_ < result_->frames.size()) {
            result_->frames[open_].end = Seconds(at, record_);
        }
        open_ = kNoFrame;
        if (addressOpen_ && !result_->frames.empty()) {
            for (std::size_t k = result_->frames.size(); k-- > 0;) {
                if (result_->frames[k].kind == Kind::Address) {
                    result_->frames[k].end = Seconds(at, record_);
                    break;
                }
            }
            addressOpen_ = false;
        }
    }

    void Add(Kind kind, double start, double end, std::uint32_t value, std::string_view error,
             bool read = false) {
        Frame frame;
        frame.bus = Bus::I2c;
        frame.kind = kind;
        frame.start = Seconds(start, record_);
        frame.end = Seconds(end, record_);
        frame.value = value;
        frame.read = read;
        frame.error = error;
        result_->frames.push_back(frame);
    }

    const Record& record_;
    Result* result_;
    bool inTransfer_ = false;  // bits are read only after a start
    int bits_ = 0;             // of the byte in progress, the ninth being ACK/NACK
    std::uint32_t byte_ = 0;
    std::size_t byteIndex_ = 0;  // bytes since the start, the address first
    double start_ = 0.0;         // where the byte in progress began
    double lastFall_ = 0.0;
    std::size_t open_ = kNoFrame;
    std::size_t tenBitFrame_ = kNoFrame;
    std::uint32_t tenBit_ = 0x3FFu + 1;  // the last 10-bit address written to; none yet
    bool addressOpen_ = false;
};

}  // namespace

void DecodeI2c(const Record& record, const Line& scl, const Line& sda, Result* result) {
    I2cReader reader(record, result);
    for (std::size_t i = 1; i < record.count; ++i) {
        const bool clockHigh = scl.level[i] != 0;
        const bool clockWasHigh = scl.level[i - 1] != 0;
        const bool dataChanged = sda.level[i] != sda.level[i - 1];
        if (dataChanged && clockHigh && clockWasHigh) {
            // SDA changing while SCL is high: falling is a start, rising a stop.
            reader.Condition(sda.EdgeAt(i), sda.level[i] == 0);
        } else if (clockHigh && !clockWasHigh) {
            reader.ClockRises(sda.level[i] != 0);
        } else if (!clockHigh && clockWasHigh) {
            reader.ClockFalls(scl.EdgeAt(i));
        }
    }
}

}  // namespace zarvo::analysis::decode
