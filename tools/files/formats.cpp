// SPDX-License-Identifier: MIT
// The table of record formats (each one's name, media type, writer and reader) and what is
// done through it: choosing a format by name or extension, writing and reading a record file.
#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "tools/core/numbers.h"
#include "tools/files/codecs.h"
#include "tools/files/csv_file.h"
#include "tools/files/record_files.h"
#include "tools/files/safe_write.h"
#include "tools/files/svg_file.h"
#include "tools/files/zip_archive.h"

namespace zarvo::files {

namespace {

// One row per format: name, media type, what reads it, whether one file holds several
// records, whether it is binary, then its writer (whole file, or into a zip archive) and its
// reader, null where it has none.
constexpr std::array<FormatInfo, 6> kFormats = {{
    {FileFormat::Csv, "csv", "text/csv", "spreadsheets, pandas, zarvo.load", true, false, EncodeCsv,
     nullptr, DecodeCsv},
    {FileFormat::Json, "json", "application/json", "programs that want the settings too", true,
     false, nullptr, nullptr, nullptr},
    {FileFormat::Sigrok, "sr", "application/zip", "PulseView, sigrok-cli, zarvo.load", false, true,
     nullptr, AddSigrok, DecodeSigrok},
    {FileFormat::Wav, "wav", "audio/wav", "audio editors, soundfile, scipy", false, true, EncodeWav,
     nullptr, nullptr},
    {FileFormat::Numpy, "npz", "application/zip", "numpy.load, zarvo.load", false, true, nullptr,
     AddNumpy, DecodeNumpy},
    {FileFormat::Svg, "svg", "image/svg+xml", "browsers, drawing programs", false, false, EncodeSvg,
     nullptr, nullptr},
}};

// Reads a whole file, refusing one far larger than any record file can be.
std::string ReadWhole(const std::string& path) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (error) FailFile(path, "cannot be read: " + error.message());
    if (std::filesystem::is_directory(status)) FailFile(path, "is a folder, not a record file");
    std::ifstream in(path, std::ios::binary);
    if (!in) FailFile(path, "cannot be opened");
    // The largest honest file is a CSV of kMaxReadSamples rows of three numbers.
    constexpr std::size_t kMaxBytes = kMaxReadSamples * 64;
    std::string bytes;
    char buffer[1 << 16];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (bytes.size() > kMaxBytes) FailFile(path, "is far larger than a record file can be");
    }
    if (in.bad()) FailFile(path, "cannot be read");
    return bytes;
}

}  // namespace

std::span<const FormatInfo> Formats() {
    return kFormats;
}

const FormatInfo& InfoOf(FileFormat format) {
    for (const FormatInfo& info : kFormats) {
        if (info.format == format) return info;
    }
    return kFormats.front();
}

std::optional<FileFormat> FormatNamed(std::string_view name) {
    const std::string lower = core::Lower(name);
    for (const FormatInfo& info : kFormats) {
        if (info.name == lower) return info.format;
    }
    return std::nullopt;
}

std::optional<FileFormat> FormatOfPath(const std::string& path) {
    const std::string extension = std::filesystem::path(path).extension().string();
    if (extension.size() < 2) return std::nullopt;
    return FormatNamed(std::string_view(extension).substr(1));
}

std::string FormatNames() {
    std::string names;
    for (const FormatInfo& info : kFormats) {
        if (!names.empty()) names += ", ";
        names += info.name;
    }
    return names;
}

std::string ReadableNames() {
    std::vector<std::string> names;
    for (const FormatInfo& info : kFormats) {
        if (info.Readable()) names.emplace_back(info.name);
    }
    return core::ListedWithAnd(names);
}

std::string UnknownFormatMessage(const std::string& what) {
    std::ostringstream text;
    text << what << " is not a record format; the formats are:";
    for (const FormatInfo& info : kFormats) {
        text << "\n  " << info.name << std::string(6 - info.name.size(), ' ') << info.readBy;
    }
    if (core::Lower(what).find("npy") != std::string::npos) {
        text << "\n(NumPy records are .npz archives: the volts with their sample rate in one file)";
    }
    return text.str();
}

std::string EncodeRecord(const core::Record& record, FileFormat format) {
    const FormatInfo& info = InfoOf(format);
    if (info.encode != nullptr) return info.encode(record);
    if (info.archive != nullptr) {
        ZipWriter zip;
        info.archive(zip, record);
        return zip.Finish();
    }
    // Only JSON has no writer of its own: its document holds the settings too.
    throw std::logic_error("a JSON record file needs the settings it was taken with");
}

core::Record DecodeRecord(std::string_view bytes, FileFormat format, const std::string& name) {
    const FormatInfo& info = InfoOf(format);
    if (!info.Readable()) {
        FailFile(name, "a ." + std::string(info.name) + " file cannot be read back; " +
                           ReadableNames() + " can");
    }
    core::Record record = info.decode(bytes, name);
    CheckDecoded(record, name);
    return record;
}

void WriteRecordFile(const std::string& path, const core::Record& record, FileFormat format) {
    const FormatInfo& info = InfoOf(format);
    const std::optional<std::string> file = ReplaceableFile(path);
    if (file && info.archive != nullptr) {
        // Straight to the file: a record's archive in memory as well as its members would
        // double the memory a write touches, which is most of its time. (The zip library
        // writes a temporary file and renames it, as WriteFileSafely does.)
        ZipWriter zip(*file);
        info.archive(zip, record);
        zip.Finish();
    } else {
        WriteFileSafely(path, EncodeRecord(record, format));
    }
}

core::Record ReadRecordFile(const std::string& path) {
    const std::optional<FileFormat> format = FormatOfPath(path);
    if (!format || !InfoOf(*format).Readable()) {
        FailFile(path, "cannot be read as a record: " + ReadableNames() + " files can");
    }
    return DecodeRecord(ReadWhole(path), *format, path);
}

void CheckDecoded(const core::Record& record, const std::string& name) {
    if (record.traces.empty()) FailFile(name, "holds no channel");
    if (record.traces.size() > 2) FailFile(name, "holds more than two channels");
    const std::size_t n = record.size();
    if (n == 0) FailFile(name, "holds no samples");
    if (n > kMaxReadSamples) {
        FailFile(name, "holds " + std::to_string(n) + " samples per channel, more than the " +
                           std::to_string(kMaxReadSamples) + " a record may have");
    }
    for (const core::Trace& t : record.traces) {
        if (t.channel != 1 && t.channel != 2) FailFile(name, "names a channel other than 1 and 2");
        if (t.volts.size() != n) FailFile(name, "has channels of different lengths");
        if (!std::isfinite(t.range) || t.range < 0) FailFile(name, "has a range that is no number");
        if (!std::isfinite(t.probe) || t.probe <= 0) {
            FailFile(name, "has a probe factor that is no positive number");
        }
        for (double v : t.volts) {
            if (!std::isfinite(v)) FailFile(name, "holds a sample that is not a number");
        }
    }
    if (record.traces.size() == 2 && record.traces[0].channel == record.traces[1].channel) {
        FailFile(name, "holds the same channel twice");
    }
    if (!std::isfinite(record.sampleRate) || record.sampleRate <= 0) {
        FailFile(name, "has no sample rate");
    }
    if (record.preSamples < 0 || static_cast<std::size_t>(record.preSamples) > n) {
        FailFile(name, "has its trigger point outside the record");
    }
}

std::uint32_t WholeHertz(double rate, const char* format) {
    // The headers hold whole hertz in 32 bits; the instrument's rates are far inside that.
    constexpr double kMax = std::numeric_limits<std::uint32_t>::max();
    if (!std::isfinite(rate) || rate <= 0 || rate > kMax) {
        throw FileError(std::string("a ") + format +
                        " file needs a sample rate from 1 Hz to 4.29 GHz; the record has " +
                        std::to_string(rate));
    }
    return static_cast<std::uint32_t>(std::max(1.0, std::round(rate)));
}

}  // namespace zarvo::files
