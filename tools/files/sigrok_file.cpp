// SPDX-License-Identifier: MIT
// The sigrok session: a zip archive holding
//   version               "2"
//   metadata              key=value lines in [sections]: [device 1] with samplerate (whole
//                         hertz), total analog and analogN=NAME per channel
//   analog-1-N-1          channel N's samples, little-endian 32-bit floats in volts
//   logic-1-1             with logic channels: one byte per sample, bit k the level of
//                         probe k + 1 (unitsize=1, total probes and probeN=NAME in metadata)
// Channel N counts logic channels first: without them CH1 and CH2 are analog1 and analog2 (or
// CH2 alone is analog1); with D1 and D2 before them, analog3 and analog4. The record's exact sample
// rate, its trigger index and the ranges go into a [zarvo] section, which sigrok's reader passes
// over.
#include <cctype>
#include <charconv>
#include <map>
#include <sstream>

#include "tools/analysis/decode/levels.h"
#include "tools/core/numbers.h"
#include "tools/files/byte_order.h"
#include "tools/files/codecs.h"
#include "tools/files/file_error.h"
#include "tools/files/record_files.h"
#include "tools/files/sigrok_logic.h"
#include "tools/files/zip_archive.h"

namespace zarvo::files {

namespace {

// Float samples barely shrink under deflate; the fastest level keeps the write short.
constexpr int kSampleCompression = 1;

using Section = std::map<std::string, std::string>;
using Metadata = std::map<std::string, Section>;

std::string_view Trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    return text;
}

Metadata ParseMetadata(const std::string& text, const std::string& name) {
    Metadata metadata;
    std::string section;
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        const std::string_view content = Trim(line);
        if (content.empty() || content.front() == '#' || content.front() == ';') continue;
        if (content.front() == '[' && content.back() == ']') {
            section = std::string(Trim(content.substr(1, content.size() - 2)));
            metadata[section];
            continue;
        }
        const std::size_t equals = content.find('=');
        if (equals == std::string_view::npos || section.empty()) {
            FailFile(name, "not a sigrok session: line " + std::to_string(number) +
                               " of its metadata is no key=value in a [section]");
        }
        metadata[section][std::string(Trim(content.substr(0, equals)))] =
            std::string(Trim(content.substr(equals + 1)));
    }
    return metadata;
}

template <typename Number>
bool ParseNumber(std::string_view text, Number& value) {
    text = Trim(text);
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

// "200 kHz", "1 MHz", "1000000": a number, a prefix, and "Hz", as sigrok writes rates.
bool ParseRate(std::string_view text, double& hz) {
    text = Trim(text);
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), hz);
    if (error != std::errc()) return false;
    std::string rest = core::Lower(Trim(std::string_view(end, text.data() + text.size() - end)));
    if (rest.size() >= 2 && rest.substr(rest.size() - 2) == "hz") rest.resize(rest.size() - 2);
    rest = std::string(Trim(rest));
    static const std::map<std::string, double> kPrefixes = {
        {"", 1.0}, {"k", 1e3}, {"m", 1e6}, {"g", 1e9}};
    const auto prefix = kPrefixes.find(rest);
    if (prefix == kPrefixes.end()) return false;
    hz *= prefix->second;
    return true;
}

// The analog channels of the device section: file index N and name, in index order.
std::vector<std::pair<int, std::string>> AnalogChannels(const Section& device,
                                                        const std::string& name) {
    std::vector<std::pair<int, std::string>> channels;
    for (const auto& [key, value] : device) {
        int index = 0;
        if (key.rfind("analog", 0) == 0 && ParseNumber(std::string_view(key).substr(6), index)) {
            if (index < 1 || index > 4096) FailFile(name, "names analog channel " + key);
            channels.emplace_back(index, value);
        }
    }
    int total = 0;
    const auto totalKey = device.find("total analog");
    if (totalKey == device.end() || !ParseNumber(totalKey->second, total) || total == 0) {
        FailFile(name, "holds no analog channels (logic data only): a record needs volts");
    }
    if (static_cast<std::size_t>(total) != channels.size()) {
        FailFile(name, "damaged: its metadata counts " + std::to_string(total) +
                           " analog channels but names " + std::to_string(channels.size()));
    }
    return channels;
}

// Channel numbers from the names: CH1 and CH2 as this tool writes them; any other names
// (another instrument's file) number the channels in their order.
std::vector<int> ChannelNumbers(const std::vector<std::pair<int, std::string>>& channels) {
    std::vector<int> numbers;
    for (const auto& [index, label] : channels) {
        const std::string lower = core::Lower(label);
        if (lower == "ch1" || lower == "ch2") {
            numbers.push_back(lower[2] - '0');
        } else {
            numbers.clear();
            break;
        }
    }
    if (numbers.empty()) {
        for (std::size_t i = 0; i < channels.size(); ++i)
            numbers.push_back(static_cast<int>(i) + 1);
    }
    return numbers;
}

// A channel's floats, from one member or from chunks -1, -2, ... in order.
std::vector<double> ReadSamples(const ZipReader& zip, int index, const std::string& label,
                                const std::string& name) {
    constexpr std::size_t kMaxBytes = kMaxReadSamples * 4;
    const std::string base = "analog-1-" + std::to_string(index);
    std::string data;
    for (int chunk = 1;; ++chunk) {
        const auto piece = zip.Read(base + "-" + std::to_string(chunk), kMaxBytes);
        if (!piece) break;
        data += *piece;
        if (data.size() > kMaxBytes) FailFile(name, "holds more samples than a record may have");
    }
    if (data.empty()) {
        const auto whole = zip.Read(base, kMaxBytes);
        if (!whole)
            FailFile(name, "truncated or damaged: the samples of " + label + " are missing");
        data = *whole;
    }
    if (data.size() % 4 != 0) {
        FailFile(name, "truncated: the samples of " + label + " end within a number");
    }
    std::vector<double> volts(data.size() / 4);
    for (std::size_t i = 0; i < volts.size(); ++i) {
        volts[i] = std::bit_cast<float>(GetLittle<std::uint32_t>(data, 4 * i));
    }
    return volts;
}

// What this tool keeps in its own section: the exact rate, the trigger index, the ranges and
// the probe factors.
void ReadOwnSection(const Metadata& metadata, core::Record& record, const std::string& name) {
    const auto own = metadata.find("zarvo");
    if (own == metadata.end()) return;
    const auto bad = [&](const std::string& key) {
        FailFile(name, "damaged: the [zarvo] section's " + key + " is no number");
    };
    for (const auto& [key, value] : own->second) {
        if (key == "sample rate") {
            if (!ParseNumber(value, record.sampleRate)) bad(key);
        } else if (key == "pre samples") {
            if (!ParseNumber(value, record.preSamples)) bad(key);
        } else if (key.rfind("range CH", 0) == 0) {
            double range = 0;
            if (!ParseNumber(value, range)) bad(key);
            for (core::Trace& t : record.traces) {
                if (key == "range CH" + std::to_string(t.channel)) t.range = range;
            }
        } else if (key.rfind("probe CH", 0) == 0) {
            double probe = 1;
            if (!ParseNumber(value, probe)) bad(key);
            for (core::Trace& t : record.traces) {
                if (key == "probe CH" + std::to_string(t.channel)) t.probe = probe;
            }
        }
    }
}

}  // namespace

void AddSigrok(ZipWriter& zip, const core::Record& record,
               const zarvo::files::LogicThresholds* logic) {
    const std::uint32_t hz = WholeHertz(record.sampleRate, "sigrok session");
    const std::size_t probes = logic != nullptr ? record.traces.size() : 0;
    std::ostringstream metadata;
    metadata << "[device 1]\nsamplerate=" << hz << '\n';
    if (probes > 0) {
        metadata << "capturefile=logic-1\ntotal probes=" << probes << "\nunitsize=1\n";
        for (std::size_t k = 0; k < probes; ++k) {
            metadata << "probe" << k + 1 << "=D" << record.traces[k].channel << '\n';
        }
    }
    metadata << "total analog=" << record.traces.size() << '\n';
    for (std::size_t k = 0; k < record.traces.size(); ++k) {
        metadata << "analog" << probes + k + 1 << "=CH" << record.traces[k].channel << '\n';
    }
    metadata << "\n[zarvo]\nsample rate=" << core::CsvNumber(record.sampleRate, 17)
             << "\npre samples=" << record.preSamples << '\n';
    for (const core::Trace& t : record.traces) {
        metadata << "range CH" << t.channel << '=' << core::CsvNumber(t.range, 17) << '\n';
        metadata << "probe CH" << t.channel << '=' << core::CsvNumber(t.probe, 17) << '\n';
    }

    zip.Add("version", "2", 0);
    zip.Add("metadata", metadata.str(), 0);
    if (probes > 0) {
        std::string bits(record.size(), '\0');
        for (std::size_t k = 0; k < probes; ++k) {
            const core::Trace& t = record.traces[k];
            const std::size_t slot = t.channel == 2 ? 1 : 0;
            const zarvo::analysis::decode::Line line = zarvo::analysis::decode::Cut(
                t.volts.data(), t.volts.size(), logic->threshold[slot]);
            for (std::size_t i = 0; i < bits.size() && i < line.level.size(); ++i) {
                if (line.level[i] != 0) bits[i] = static_cast<char>(bits[i] | (1 << k));
            }
        }
        zip.Add("logic-1-1", std::move(bits), kSampleCompression);
    }
    for (std::size_t k = 0; k < record.traces.size(); ++k) {
        std::string samples;
        samples.reserve(4 * record.size());
        for (double v : record.traces[k].volts) PutFloat32(samples, v);
        zip.Add("analog-1-" + std::to_string(probes + k + 1) + "-1", std::move(samples),
                kSampleCompression);
    }
}

void AddSigrok(ZipWriter& zip, const core::Record& record) {
    AddSigrok(zip, record, nullptr);
}

core::Record DecodeSigrok(std::string_view bytes, const std::string& name) {
    const ZipReader zip(bytes, name);
    const auto version = zip.Read("version", 64);
    const auto text = zip.Read("metadata", 1 << 16);
    if (!version || !text) FailFile(name, "not a sigrok session: it has no version or metadata");
    if (Trim(*version) != "2") {
        FailFile(name, "a sigrok session of version " + std::string(Trim(*version)) +
                           "; only version 2 holds analog channels");
    }
    const Metadata metadata = ParseMetadata(*text, name);
    const auto device = metadata.find("device 1");
    if (device == metadata.end()) FailFile(name, "not a sigrok session: no [device 1] section");
    const auto channels = AnalogChannels(device->second, name);
    if (channels.size() > 2) {
        FailFile(name, "holds " + std::to_string(channels.size()) +
                           " analog channels; a record holds one or two");
    }

    core::Record record;
    const auto rate = device->second.find("samplerate");
    if (rate == device->second.end() || !ParseRate(rate->second, record.sampleRate)) {
        FailFile(name, "has no readable sample rate");
    }
    const std::vector<int> numbers = ChannelNumbers(channels);
    for (std::size_t k = 0; k < channels.size(); ++k) {
        record.traces.push_back(core::Trace{
            numbers[k], 0, ReadSamples(zip, channels[k].first, channels[k].second, name)});
    }
    ReadOwnSection(metadata, record, name);
    return record;
}

}  // namespace zarvo::files
