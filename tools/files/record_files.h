// SPDX-License-Identifier: MIT
// Record files: the formats a record is written in and read back from, chosen by name or by
// the file's extension.
//
//   csv   text, one row per sample: time in seconds, volts per channel (spreadsheets, pandas)
//   json  the records with the settings they were taken with (capture only: it needs them)
//   sr    sigrok session: a zip with the analog channels CH1/CH2 as 32-bit floats in volts
//         and the sample rate (PulseView, sigrok-cli)
//   wav   IEEE 32-bit float WAV, one WAV channel per instrument channel in volts, the sample
//         rate in the header (audio editors, soundfile, scipy)
//   npz   NumPy archive of named float64 arrays ch1, ch2 (volts), time_s, rate, trigger_index,
//         range_ch1, range_ch2, probe_ch1, probe_ch2 (numpy.load)
//   svg   a picture of the record (browsers, drawing programs)
//
// Each format is one row of Formats(): its name, media type and readers, and its writer and
// reader as functions (null where it has none), so that a new format is a row and its own
// codec file. CSV, sr and npz are read back, by ReadRecordFile; the sr and npz files keep the
// exact sample rate, the trigger index, the ranges and the probe factors (sr in a section of
// its metadata that sigrok skips), a CSV gives the rate from its time column, the trigger
// point where the time is 0 and a probe factor in a column's name (ch1_V_x10). The volts of
// every format are at the probe tip. The codecs are csv_file.h, json_file.h, svg_file.h and
// codecs.h (sr, wav, npz).
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "tools/core/record.h"
#include "tools/files/file_error.h"

namespace zarvo::files {

enum class FileFormat { Csv, Json, Sigrok, Wav, Numpy, Svg };

class ZipWriter;

// One record format, the way each input and output module of a capture program is one table
// of functions.
struct FormatInfo {
    FileFormat format;
    std::string_view name;  // for --format, and the extension without its dot
    std::string_view mediaType;
    std::string_view readBy;  // what opens it, for the help and the error of an unknown name
    bool manyRecords;         // one file may hold several records (CSV and JSON)
    bool binary;              // not text: never poured onto a terminal

    // The whole file for one record. Null for the zip formats, which fill an archive instead
    // (so that a file is written straight to disk), and for JSON, which needs the settings the
    // records were taken with as well (json_file.h's WriteJson).
    std::string (*encode)(const core::Record& record);
    void (*archive)(ZipWriter& zip, const core::Record& record);
    // One record from a file's bytes, checked by the caller (CheckDecoded); null when the
    // format is not read back. A FileError names `name` with what is wrong.
    core::Record (*decode)(std::string_view bytes, const std::string& name);

    bool Writable() const { return encode != nullptr || archive != nullptr; }
    bool Readable() const { return decode != nullptr; }
};

std::span<const FormatInfo> Formats();
const FormatInfo& InfoOf(FileFormat format);

// A format by its name ("sr"), or by the extension of a path ("capture.SR"); none when the
// name or extension is not one of Formats().
std::optional<FileFormat> FormatNamed(std::string_view name);
std::optional<FileFormat> FormatOfPath(const std::string& path);

// "csv, json, sr, wav, npz, svg"
std::string FormatNames();
// The formats read back: "csv, sr and npz".
std::string ReadableNames();
// The refusal of an unknown extension or name, listing the formats with what reads each.
std::string UnknownFormatMessage(const std::string& what);

// The file's bytes for one record, in any Writable() format (not JSON: it needs the settings).
std::string EncodeRecord(const core::Record& record, FileFormat format);

// One record from a file's bytes in a readable format; `name` is the file named in a
// FileError when the bytes are truncated, foreign or not a record.
core::Record DecodeRecord(std::string_view bytes, FileFormat format, const std::string& name);

// One record written to `path` (WriteFileSafely), or read from it in the format of its
// extension; a FileError names the path and what went wrong.
void WriteRecordFile(const std::string& path, const core::Record& record, FileFormat format);
core::Record ReadRecordFile(const std::string& path);

// The most samples per channel a record file may hold when read: far above the instrument's
// 32,760, low enough that a foreign file cannot make the reader allocate without bound.
constexpr std::size_t kMaxReadSamples = std::size_t{1} << 22;

}  // namespace zarvo::files
