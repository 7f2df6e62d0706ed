// SPDX-License-Identifier: MIT
// Fuzzing the record-file readers (zarvo.load's counterpart in C++, and what the view will
// open): whatever bytes claim to be a CSV, a sigrok session or a NumPy archive.
//
// Input layout: the first byte chooses how the rest is read:
//   0  the bytes as a CSV file
//   1  the bytes as a sigrok session (.sr) file
//   2  the bytes as a NumPy archive (.npz) file
//   3  members of a sigrok session, zipped here with their right checksums
//   4  members of a NumPy archive, likewise
// Members are [name length: 1 byte][name][data length: 2 bytes, little-endian][data] one
// after another. Zipping them here lets the fuzzer change a member's contents (the metadata
// text, an array's header and elements) without each change failing the zip checksum.
//
// What is checked, besides what the sanitizers catch: a record comes out with one or two
// channels of the same, non-zero length, finite volts, a positive rate and the trigger point
// inside, or the reader throws a FileError whose message starts with the file's name; nothing
// else escapes.
#include <cmath>
#include <cstdint>
#include <set>
#include <stdexcept>
#include <string>

#include "tests/fuzz/fuzz_support.h"
#include "tools/files/record_files.h"
#include "tools/files/zip_archive.h"

using namespace zarvo::fuzz;
using namespace zarvo::files;

namespace {

// The members zipped; a name given twice keeps its first member, as a zip holds a name once,
// and a name libzip refuses (not UTF-8) is left out.
std::string Zipped(Input& in) {
    ZipWriter zip;
    std::set<std::string> names;
    while (!in.Empty()) {
        const std::string name = in.Text(in.Byte());
        const std::string data = in.Text(in.U16());
        if (name.empty() || !names.insert(name).second) continue;
        try {
            zip.Add(name, data, 0);
        } catch (const std::runtime_error&) {
        }
    }
    return zip.Finish();
}

void CheckRecord(const zarvo::core::Record& r) {
    if (r.traces.empty() || r.traces.size() > 2) Fail("channels", r.traces.size());
    if (r.size() == 0) Fail("no samples", 0);
    for (const zarvo::core::Trace& t : r.traces) {
        if (t.volts.size() != r.size()) Fail("lengths differ", t.channel);
        for (double v : t.volts) {
            if (!std::isfinite(v)) Fail("volts not finite", t.channel);
        }
    }
    if (!(r.sampleRate > 0) || !std::isfinite(r.sampleRate)) Fail("rate", 0);
    if (r.preSamples < 0 || static_cast<std::size_t>(r.preSamples) > r.size()) {
        Fail("trigger point", r.preSamples);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    const std::uint8_t mode = in.Byte() % 5;
    static const FileFormat kFormats[] = {FileFormat::Csv, FileFormat::Sigrok, FileFormat::Numpy,
                                          FileFormat::Sigrok, FileFormat::Numpy};
    const std::string bytes = mode < 3 ? in.Text(in.Left()) : Zipped(in);
    try {
        CheckRecord(DecodeRecord(bytes, kFormats[mode], "input"));
    } catch (const FileError& e) {
        if (std::string(e.what()).rfind("input: ", 0) != 0) Fail("message without the name", 0);
    }
    return 0;
}
