// SPDX-License-Identifier: MIT
// The NumPy archive (.npz): a zip of .npy arrays, as numpy.savez writes it, with
//   ch1, ch2        float64 (samples,) in volts, the channels the record holds
//   time_s          float64 (samples,) seconds from the trigger point
//   rate            float64 ()  samples per second
//   trigger_index   int64 ()    index of the trigger point
//   range_ch1, ...  float64 ()  full scale in volts (0: not known)
// Each .npy is a 10-byte preamble ("\x93NUMPY", version, header length), a Python dict
// literal giving the element type, order and shape, padded to 64 bytes, then the elements.
// The archive stores them uncompressed, as numpy.savez does: volts do not shrink much and a
// stored member is read without inflating it.
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

#include "tools/files/byte_order.h"
#include "tools/files/codecs.h"
#include "tools/files/file_error.h"
#include "tools/files/record_files.h"
#include "tools/files/zip_archive.h"

namespace zarvo::files {

namespace {

constexpr std::string_view kMagic("\x93NUMPY", 6);

// The .npy preamble and header for `count` elements (a scalar when `scalar`), to which the
// caller appends the elements themselves.
std::string NpyHeader(std::string_view descr, std::size_t count, bool scalar, std::size_t width) {
    // Appended piece by piece: gcc 12 at -O3 warns falsely (-Wrestrict) about a literal added
    // in front of a temporary string.
    std::string header = "{'descr': '";
    header += descr;
    header += "', 'fortran_order': False, 'shape': (";
    if (!scalar) header += std::to_string(count) + ",";
    header += "), }";
    // numpy aligns the elements to 64 bytes and ends the header with a newline.
    const std::size_t total = kMagic.size() + 4 + header.size() + 1;
    header.append((64 - total % 64) % 64, ' ');
    header += '\n';
    std::string out;
    out.reserve(kMagic.size() + 4 + header.size() + count * width);
    out += kMagic;
    out += '\x01';
    out += '\x00';
    PutLittle(out, static_cast<std::uint16_t>(header.size()));
    out += header;
    return out;
}

std::string Float64s(const std::vector<double>& values) {
    std::string out = NpyHeader("<f8", values.size(), false, 8);
    for (double v : values) PutFloat64(out, v);
    return out;
}

std::string Float64(double value) {
    std::string out = NpyHeader("<f8", 1, true, 8);
    PutFloat64(out, value);
    return out;
}

// One array of an archive: its values as doubles, and whether it had one dimension.
struct Array {
    std::vector<double> values;
    bool scalar = true;
};

// The text after `'key':` in the header dict, up to the next comma outside parentheses.
std::optional<std::string_view> HeaderValue(std::string_view header, std::string_view key) {
    std::string quoted = "'";
    quoted += key;
    quoted += "':";
    const std::size_t at = header.find(quoted);
    if (at == std::string_view::npos) return std::nullopt;
    std::string_view rest = header.substr(at + key.size() + 3);
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    if (rest.empty()) return std::nullopt;
    const std::size_t end = rest.front() == '(' ? rest.find(')') + 1 : rest.find_first_of(",}");
    if (end == std::string_view::npos || end == 0) return std::nullopt;
    return rest.substr(0, end);
}

Array ParseNpy(std::string_view bytes, const std::string& member, const std::string& name) {
    const auto fail = [&](const std::string& what) -> void { FailFile(name, member + " " + what); };
    if (bytes.size() < 10 || bytes.substr(0, 6) != kMagic) fail("is not a NumPy array");
    const int major = static_cast<unsigned char>(bytes[6]);
    std::size_t headerAt = 10;
    std::size_t headerLength = GetLittle<std::uint16_t>(bytes, 8);
    if (major == 2 || major == 3) {
        if (bytes.size() < 12) fail("is truncated");
        headerAt = 12;
        headerLength = GetLittle<std::uint32_t>(bytes, 8);
    } else if (major != 1) {
        fail("is a NumPy array of unknown version " + std::to_string(major));
    }
    if (bytes.size() - headerAt < headerLength) fail("is truncated within its header");
    const std::string_view header = bytes.substr(headerAt, headerLength);
    const auto descr = HeaderValue(header, "descr");
    const auto order = HeaderValue(header, "fortran_order");
    const auto shape = HeaderValue(header, "shape");
    if (!descr || !order || !shape || shape->front() != '(') fail("has an unreadable header");

    // Scalars and one dimension only: (), (N,) or (N).
    Array array;
    std::size_t count = 1;
    std::string_view dims = shape->substr(1, shape->size() - 2);
    while (!dims.empty() && (dims.back() == ',' || dims.back() == ' ')) dims.remove_suffix(1);
    if (!dims.empty()) {
        const auto [end, error] = std::from_chars(dims.data(), dims.data() + dims.size(), count);
        if (error != std::errc() || end != dims.data() + dims.size()) {
            fail("has the shape " + std::string(*shape) +
                 "; a record's arrays are one-dimensional");
        }
        if (count > kMaxReadSamples) fail("holds more samples than a record may have");
        array.scalar = false;
    }
    std::size_t width = 0;
    if (*descr == "'<f8'" || *descr == "'<i8'") {
        width = 8;
    } else if (*descr == "'<f4'" || *descr == "'<i4'") {
        width = 4;
    } else {
        fail("holds elements of type " + std::string(*descr) +
             "; little-endian floats or integers are read");
    }
    const std::string_view data = bytes.substr(headerAt + headerLength);
    if (data.size() < count * width) fail("is truncated: its elements end early");
    if (data.size() > count * width) fail("is damaged: it holds more than its shape");
    const bool isFloat = (*descr)[2] == 'f';
    array.values.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        if (width == 8) {
            const auto bits = GetLittle<std::uint64_t>(data, 8 * i);
            array.values[i] = isFloat ? std::bit_cast<double>(bits)
                                      : static_cast<double>(static_cast<std::int64_t>(bits));
        } else {
            const auto bits = GetLittle<std::uint32_t>(data, 4 * i);
            array.values[i] = isFloat ? std::bit_cast<float>(bits)
                                      : static_cast<double>(static_cast<std::int32_t>(bits));
        }
    }
    return array;
}

std::optional<Array> ReadArray(const ZipReader& zip, const std::string& key,
                               const std::string& name) {
    const auto bytes = zip.Read(key + ".npy", kMaxReadSamples * 8 + (1 << 16));
    if (!bytes) return std::nullopt;
    return ParseNpy(*bytes, key, name);
}

double Scalar(const std::optional<Array>& array, const std::string& key, const std::string& name) {
    if (!array->scalar || array->values.size() != 1) {
        FailFile(name, key + " is not a single number");
    }
    return array->values.front();
}

}  // namespace

void AddNumpy(ZipWriter& zip, const core::Record& record) {
    const std::size_t n = record.size();
    for (const core::Trace& t : record.traces) {
        zip.Add("ch" + std::to_string(t.channel) + ".npy", Float64s(t.volts), 0);
    }
    std::string time = NpyHeader("<f8", n, false, 8);
    for (std::size_t i = 0; i < n; ++i) PutFloat64(time, record.TimeOf(i));
    zip.Add("time_s.npy", std::move(time), 0);
    zip.Add("rate.npy", Float64(record.sampleRate), 0);
    std::string index = NpyHeader("<i8", 1, true, 8);
    PutLittle(index, static_cast<std::uint64_t>(static_cast<std::int64_t>(record.preSamples)));
    zip.Add("trigger_index.npy", std::move(index), 0);
    for (const core::Trace& t : record.traces) {
        zip.Add("range_ch" + std::to_string(t.channel) + ".npy", Float64(t.range), 0);
        zip.Add("probe_ch" + std::to_string(t.channel) + ".npy", Float64(t.probe), 0);
    }
}

core::Record DecodeNumpy(std::string_view bytes, const std::string& name) {
    const ZipReader zip(bytes, name);
    core::Record record;
    for (int ch = 1; ch <= 2; ++ch) {
        const std::string key = "ch" + std::to_string(ch);
        auto volts = ReadArray(zip, key, name);
        if (!volts) continue;
        if (volts->scalar) FailFile(name, key + " is a single number, not samples");
        core::Trace trace{ch, 0, std::move(volts->values)};
        if (const auto range = ReadArray(zip, "range_" + key, name)) {
            trace.range = Scalar(range, "range_" + key, name);
        }
        if (const auto probe = ReadArray(zip, "probe_" + key, name)) {
            trace.probe = Scalar(probe, "probe_" + key, name);
        }
        record.traces.push_back(std::move(trace));
    }
    const auto rate = ReadArray(zip, "rate", name);
    if (record.traces.empty() || !rate) {
        FailFile(name, "not a record: a record's archive holds ch1 or ch2 and rate");
    }
    record.sampleRate = Scalar(rate, "rate", name);
    const double samples = static_cast<double>(record.size());
    double index = 0;
    if (const auto trigger = ReadArray(zip, "trigger_index", name)) {
        index = Scalar(trigger, "trigger_index", name);
    } else if (const auto time = ReadArray(zip, "time_s", name)) {
        // Without the index, the trigger point is the first sample at time 0 or later.
        for (double t : time->values) index += t < 0 ? 1 : 0;
    }
    if (!(index >= 0 && index <= samples) || index != std::floor(index)) {
        FailFile(name, "has its trigger index outside the record");
    }
    record.preSamples = static_cast<int>(index);
    return record;
}

}  // namespace zarvo::files
