// SPDX-License-Identifier: MIT
// WAV with IEEE float samples: the "fmt " chunk says format 3 (float), 32 bits, one WAV
// channel per instrument channel, interleaved frame by frame; the "fact" chunk that every
// non-PCM WAV carries gives the frame count.
#include <limits>

#include "tools/files/byte_order.h"
#include "tools/files/codecs.h"
#include "tools/files/file_error.h"

namespace zarvo::files {

std::string EncodeWav(const core::Record& record) {
    constexpr std::uint16_t kIeeeFloat = 3;
    constexpr std::uint32_t kBytesPerSample = 4;
    const std::uint32_t rate = WholeHertz(record.sampleRate, "WAV");
    const auto channels = static_cast<std::uint16_t>(record.traces.size());
    const std::size_t frames = record.size();
    const std::uint64_t dataBytes = std::uint64_t{frames} * channels * kBytesPerSample;
    const std::uint64_t byteRate = std::uint64_t{rate} * channels * kBytesPerSample;
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint32_t>::max();
    if (channels == 0) throw FileError("a WAV file needs at least one channel");
    if (dataBytes + 64 > kMax || byteRate > kMax) {
        throw FileError("the record is too long or too fast for the 32-bit sizes of a WAV file");
    }

    std::string out;
    out.reserve(static_cast<std::size_t>(dataBytes) + 58);
    out += "RIFF";
    PutLittle(out, static_cast<std::uint32_t>(4 + (8 + 18) + (8 + 4) + 8 + dataBytes));
    out += "WAVE";
    out += "fmt ";
    PutLittle(out, std::uint32_t{18});
    PutLittle(out, kIeeeFloat);
    PutLittle(out, channels);
    PutLittle(out, rate);
    PutLittle(out, static_cast<std::uint32_t>(byteRate));
    PutLittle(out, static_cast<std::uint16_t>(channels * kBytesPerSample));  // one frame
    PutLittle(out, static_cast<std::uint16_t>(8 * kBytesPerSample));
    PutLittle(out, std::uint16_t{0});  // no extension to the format
    out += "fact";
    PutLittle(out, std::uint32_t{4});
    PutLittle(out, static_cast<std::uint32_t>(frames));
    out += "data";
    PutLittle(out, static_cast<std::uint32_t>(dataBytes));
    for (std::size_t i = 0; i < frames; ++i) {
        for (const core::Trace& t : record.traces) PutFloat32(out, t.volts[i]);
    }
    return out;
}

}  // namespace zarvo::files
