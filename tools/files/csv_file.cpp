// SPDX-License-Identifier: MIT
// The record CSV: the rows written from a record, and the first record read back from them
// (the rate from the time column's steps, the trigger point where the time is 0).
#include "tools/files/csv_file.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <vector>

#include "tools/core/numbers.h"
#include "tools/files/file_error.h"
#include "tools/files/record_files.h"

namespace zarvo::files {

namespace {

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    for (;;) {
        const std::size_t comma = line.find(',');
        fields.push_back(line.substr(0, comma));
        if (comma == std::string_view::npos) return fields;
        line.remove_prefix(comma + 1);
    }
}

// The lines of the text, without their line breaks (LF or CRLF).
std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

// A volts column: "ch1_V", or "ch1_V_x10" behind a x10 probe.
std::optional<core::Trace> Column(std::string_view name) {
    if (name.size() < 5 || name.substr(0, 2) != "ch" || (name[2] != '1' && name[2] != '2') ||
        name.substr(3, 2) != "_V") {
        return std::nullopt;
    }
    core::Trace trace{name[2] - '0', 0, {}};
    std::string_view factor = name.substr(5);
    if (factor.empty()) return trace;
    if (factor.substr(0, 2) != "_x") return std::nullopt;
    factor.remove_prefix(2);
    const auto [end, error] =
        std::from_chars(factor.data(), factor.data() + factor.size(), trace.probe);
    if (error != std::errc() || end != factor.data() + factor.size()) return std::nullopt;
    return trace;
}

}  // namespace

void WriteCsvHeader(std::ostream& out, const core::Record& record, bool numbered) {
    out << (numbered ? "record,time_s" : "time_s");
    // Behind a probe the column says its factor: ch1_V_x10 holds the volts at a x10 probe's tip.
    for (const core::Trace& t : record.traces) {
        out << ",ch" << t.channel << "_V";
        if (t.probe != 1) out << "_x" << core::CsvNumber(t.probe);
    }
    out << '\n';
}

void WriteCsvRows(std::ostream& out, const core::Record& record, long number) {
    for (std::size_t i = 0; i < record.size(); ++i) {
        if (number != 0) out << number << ',';
        out << core::CsvNumber(record.TimeOf(i), 12);
        for (const core::Trace& t : record.traces) out << ',' << core::CsvNumber(t.volts[i], 8);
        out << '\n';
    }
}

void WriteCsv(std::ostream& out, const core::Record& record, long number) {
    WriteCsvHeader(out, record, number != 0);
    WriteCsvRows(out, record, number);
}

std::string EncodeCsv(const core::Record& record) {
    std::ostringstream text;
    WriteCsv(text, record);
    return text.str();
}

core::Record DecodeCsv(std::string_view bytes, const std::string& name) {
    if (bytes.empty()) FailFile(name, "is empty");
    if (bytes.back() != '\n') FailFile(name, "truncated: its last line is cut short");
    const std::vector<std::string_view> lines = Lines(bytes);
    const std::vector<std::string_view> header = Fields(lines.front());
    const std::size_t first = !header.empty() && header.front() == "record" ? 1 : 0;
    core::Record record;
    for (std::size_t c = first + 1; c < header.size(); ++c) {
        if (const auto column = Column(header[c])) {
            record.traces.push_back(*column);
        } else {
            record.traces.clear();
            break;
        }
    }
    if (header.size() <= first + 1 || header[first] != "time_s" || record.traces.empty()) {
        FailFile(name, "not a record: its first line is \"" +
                           std::string(lines.front().substr(0, 60)) +
                           "\", not time_s,ch1_V,... as the zarvo tool writes");
    }

    std::vector<double> time;
    std::string recordNumber;
    for (std::size_t row = 1; row < lines.size(); ++row) {
        const std::string where = "line " + std::to_string(row + 1);
        const std::vector<std::string_view> fields = Fields(lines[row]);
        if (fields.size() != header.size()) {
            FailFile(name, where + " has " + std::to_string(fields.size()) +
                               " fields where the header has " + std::to_string(header.size()));
        }
        if (first == 1) {
            if (row == 1) recordNumber = fields.front();
            if (fields.front() != recordNumber) break;  // the next record begins
        }
        for (std::size_t c = first; c < fields.size(); ++c) {
            double value = 0;
            const std::string_view field = fields[c];
            const auto [end, error] =
                std::from_chars(field.data(), field.data() + field.size(), value);
            if (error != std::errc() || end != field.data() + field.size()) {
                FailFile(name,
                         where + ": \"" + std::string(field.substr(0, 30)) + "\" is not a number");
            }
            if (c == first) {
                time.push_back(value);
            } else {
                record.traces[c - first - 1].volts.push_back(value);
            }
        }
        if (time.size() > kMaxReadSamples) FailFile(name, "holds more samples than a record may");
    }
    if (time.size() < 2) FailFile(name, "holds fewer than two samples: no sample rate to read");

    const double step = (time.back() - time.front()) / static_cast<double>(time.size() - 1);
    for (std::size_t i = 1; i < time.size(); ++i) {
        // The times are written to 12 digits; a step that is off by far more than that is not
        // a sampled record (or rows were lost).
        if (!(std::fabs(time[i] - time[i - 1] - step) <= 1e-3 * step)) {
            FailFile(name,
                     "not a record: the time column does not advance in equal steps at "
                     "line " +
                         std::to_string(i + 2));
        }
    }
    // Ten digits recover the rate the instrument used from the rounded times.
    record.sampleRate = std::strtod(core::CsvNumber(1 / step, 10).c_str(), nullptr);
    for (double t : time) record.preSamples += t < -step / 2 ? 1 : 0;
    return record;
}

}  // namespace zarvo::files
