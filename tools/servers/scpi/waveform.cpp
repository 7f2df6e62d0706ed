// SPDX-License-Identifier: MIT
// :WAVeform:DATA? blocks: a channel of a record as floats in volts or as 16-bit codes.
#include "tools/servers/scpi/waveform.h"

#include <bit>
#include <cstdint>

#include "tools/servers/scpi/values.h"

namespace zarvo::scpi {

std::string Block(const std::string& bytes) {
    const std::string length = std::to_string(bytes.size());
    // Appended piece by piece: g++ 12 at -O3 misreads "#" + a temporary as overlapping.
    std::string block(1, '#');
    block += std::to_string(length.size());
    block += length;
    block += bytes;
    return block;
}

std::string FormatTrace(const station::TakenTrace& trace, DataFormat format) {
    const std::size_t n = trace.words.size();
    std::string out;
    switch (format) {
        case DataFormat::Ascii:
            out.reserve(n * 10);
            for (std::size_t i = 0; i < n; ++i) {
                if (i > 0) out += ',';
                out += FormatNumber(trace.VoltsAt(i));
            }
            return out;
        case DataFormat::Real32:
            out.resize(n * 4);
            for (std::size_t i = 0; i < n; ++i) {
                const auto bits =
                    std::bit_cast<std::uint32_t>(static_cast<float>(trace.VoltsAt(i)));
                for (int b = 0; b < 4; ++b) out[i * 4 + b] = static_cast<char>(bits >> (8 * b));
            }
            return Block(out);
        case DataFormat::Int16:
            out.resize(n * 2);
            for (std::size_t i = 0; i < n; ++i) {
                const auto bits = static_cast<std::uint16_t>(trace.CodeAt(i) & 0xFFFF);
                out[i * 2] = static_cast<char>(bits);
                out[i * 2 + 1] = static_cast<char>(bits >> 8);
            }
            return Block(out);
    }
    return out;
}

}  // namespace zarvo::scpi
