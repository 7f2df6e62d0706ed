// SPDX-License-Identifier: MIT
// Record files: read back from what the programs that define the formats write, refused in
// words when truncated or foreign, and never left half-written under their name.
#include "tools/files/record_files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "tools/files/csv_file.h"
#include "tools/files/safe_write.h"

namespace zarvo::files {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A folder of the test's own, empty at the start.
fs::path Folder(const std::string& name) {
    const fs::path dir =
        fs::path(::testing::TempDir()) /
        ("files_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
         "_" + name);
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

bool Have(const std::string& program) {
    return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

// Two channels of converter steps (volts that are whole multiples of 2 V / 128, as the
// instrument delivers on its 2 V range), a trigger index and a rate that is no whole number.
core::Record KnownRecord() {
    core::Record record;
    record.sampleRate = 25e6 / 3;
    record.preSamples = 100;
    core::Trace ch1{1, 2.0, {}};
    core::Trace ch2{2, 8.0, {}};
    for (int i = 0; i < 1000; ++i) {
        ch1.volts.push_back(((i * 37) % 256 - 128) * 2.0 / 128);
        ch2.volts.push_back(((i * 11) % 256 - 128) * 8.0 / 128);
    }
    record.traces = {ch1, ch2};
    return record;
}

TEST(RecordFiles, FormatsAreChosenByNameOrExtension) {
    EXPECT_EQ(FormatOfPath("dir.x/capture.SR"), FileFormat::Sigrok);
    EXPECT_EQ(FormatOfPath("a.wav"), FileFormat::Wav);
    EXPECT_EQ(FormatOfPath("a.npz"), FileFormat::Numpy);
    EXPECT_EQ(FormatNamed("csv"), FileFormat::Csv);
    for (const char* unknown : {"a.npy", "a.txt", "a", "csv"}) {
        EXPECT_FALSE(FormatOfPath(unknown)) << unknown;
    }
    const std::string message = UnknownFormatMessage("the extension .npy of a.npy");
    for (const FormatInfo& info : Formats()) {
        EXPECT_NE(message.find("\n  " + std::string(info.name)), std::string::npos) << message;
    }
    EXPECT_EQ(FormatNames(), "csv, json, sr, wav, npz, svg");
}

// A format with no reader says which formats are read back; JSON has no writer of its own.
TEST(RecordFiles, AFormatThatIsNotReadBackNamesThoseThatAre) {
    EXPECT_EQ(ReadableNames(), "csv, sr and npz");
    const std::string wav = EncodeRecord(KnownRecord(), FileFormat::Wav);
    try {
        DecodeRecord(wav, FileFormat::Wav, "a.wav");
        ADD_FAILURE() << "a .wav file was read back";
    } catch (const FileError& e) {
        EXPECT_STREQ(e.what(), "a.wav: a .wav file cannot be read back; csv, sr and npz can");
    }
    EXPECT_THROW(EncodeRecord(KnownRecord(), FileFormat::Json), std::logic_error);
}

// What the readers give back: the channels and their volts, the rate, the trigger index and
// (where the format keeps them) the ranges. The sigrok session holds 32-bit floats and the
// CSV eight digits, both exact for converter steps; the CSV's rate comes from its times.
TEST(RecordFiles, ReadBackGivesTheVoltsRateTriggerAndChannels) {
    const fs::path dir = Folder("back");
    core::Record chTwoOnly = KnownRecord();
    chTwoOnly.traces.erase(chTwoOnly.traces.begin());
    chTwoOnly.sampleRate = 1e6;
    for (const core::Record& written : {KnownRecord(), chTwoOnly}) {
        for (const char* name : {"r.csv", "r.sr", "r.npz"}) {
            const std::string path = (dir / name).string();
            const FileFormat format = *FormatOfPath(path);
            WriteRecordFile(path, written, format);
            const core::Record read = ReadRecordFile(path);
            EXPECT_NEAR(read.sampleRate, written.sampleRate, 1e-9 * written.sampleRate) << name;
            EXPECT_EQ(read.preSamples, written.preSamples) << name;
            ASSERT_EQ(read.traces.size(), written.traces.size()) << name;
            for (std::size_t k = 0; k < read.traces.size(); ++k) {
                EXPECT_EQ(read.traces[k].channel, written.traces[k].channel) << name;
                EXPECT_EQ(read.traces[k].volts, written.traces[k].volts) << name;
                const double range = format == FileFormat::Csv ? 0 : written.traces[k].range;
                EXPECT_EQ(read.traces[k].range, range) << name;
            }
        }
    }
}

// sigrok-cli's demo device writes an analog session the way PulseView does; its own analog
// output is the reference for the volts.
TEST(RecordFiles, ReadsASigrokSessionThatSigrokWrote) {
    if (!Have("sigrok-cli")) GTEST_SKIP() << "sigrok-cli is not installed (Debian: sigrok-cli)";
    const fs::path dir = Folder("sigrok");
    const std::string session = (dir / "demo.sr").string();
    const std::string text = (dir / "demo.txt").string();
    ASSERT_EQ(std::system(("sigrok-cli -d demo --channels A0,A1 --samples 500 --config "
                           "samplerate=500k -o " +
                           session + " 2>/dev/null")
                              .c_str()),
              0);
    // sigrok-cli 0.7 exits 1 after printing an analog session; the printout is what counts.
    [[maybe_unused]] const int printedStatus =
        std::system(("sigrok-cli -i " + session + " -O analog >" + text + " 2>/dev/null").c_str());
    const core::Record read = ReadRecordFile(session);
    EXPECT_EQ(read.sampleRate, 500e3);
    ASSERT_EQ(read.traces.size(), 2u);
    std::vector<double> printed[2];
    std::istringstream lines(Slurp(text));
    std::string label;
    double volts = 0;
    while (lines >> label >> volts) {
        printed[label == "A1:" ? 1 : 0].push_back(volts);
        lines.ignore(100, '\n');
    }
    for (std::size_t k = 0; k < 2; ++k) {
        EXPECT_EQ(read.traces[k].channel, static_cast<int>(k + 1));
        ASSERT_EQ(read.traces[k].volts.size(), 500u);
        ASSERT_EQ(printed[k].size(), 500u);
        for (std::size_t i = 0; i < 500; ++i) {
            EXPECT_NEAR(read.traces[k].volts[i], printed[k][i], 0.006) << k << " " << i;
        }
    }
}

TEST(RecordFiles, ReadsNumpyArchivesThatNumpyWrote) {
    const std::string python = fs::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
    if (std::system((python + " -c 'import numpy' 2>/dev/null").c_str()) != 0) {
        GTEST_SKIP() << "numpy is not installed (Debian: python3-numpy)";
    }
    const fs::path dir = Folder("numpy");
    // Stored and deflated archives; the trigger index given, or found from time_s.
    const std::string script =
        "import numpy as np\n"
        "v = np.arange(-50, 50) / 64.0\n"
        "np.savez('" +
        (dir / "a.npz").string() +
        "', ch1=v, rate=np.float64(2e5), "
        "trigger_index=np.int64(7))\n"
        "np.savez_compressed('" +
        (dir / "b.npz").string() +
        "', ch2=v.astype(np.float32), "
        "rate=2e5, time_s=(np.arange(100) - 30) / 2e5)\n";
    ASSERT_EQ(std::system((python + " -c \"" + script + "\"").c_str()), 0);
    const core::Record a = ReadRecordFile((dir / "a.npz").string());
    const core::Record b = ReadRecordFile((dir / "b.npz").string());
    EXPECT_EQ(a.preSamples, 7);
    EXPECT_EQ(b.preSamples, 30);
    for (const core::Record* r : {&a, &b}) {
        EXPECT_EQ(r->sampleRate, 2e5);
        ASSERT_EQ(r->traces.size(), 1u);
        ASSERT_EQ(r->size(), 100u);
        EXPECT_EQ(r->traces[0].volts[0], -50 / 64.0);
        EXPECT_EQ(r->traces[0].volts[99], 49 / 64.0);
    }
    EXPECT_EQ(a.traces[0].channel, 1);
    EXPECT_EQ(b.traces[0].channel, 2);
}

// Each bad file names itself and says what is wrong, with no crash and no record.
TEST(RecordFiles, TruncatedOrForeignFilesAreRefusedInWords) {
    const core::Record record = KnownRecord();
    const std::string png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
    const std::string sr = EncodeRecord(record, FileFormat::Sigrok);
    const std::string npz = EncodeRecord(record, FileFormat::Numpy);
    const std::string csv = EncodeRecord(record, FileFormat::Csv);
    std::string damaged = sr;
    damaged[damaged.size() / 2] ^= 0x55;  // inside a deflated channel
    const struct {
        FileFormat format;
        std::string bytes;
        const char* says;
    } cases[] = {
        {FileFormat::Sigrok, "", "empty"},
        {FileFormat::Sigrok, sr.substr(0, sr.size() / 2), "truncated"},
        {FileFormat::Sigrok, sr.substr(0, sr.size() - 1), "truncated"},
        {FileFormat::Sigrok, damaged, "damaged"},
        {FileFormat::Sigrok, png, "not a zip archive"},
        {FileFormat::Sigrok, npz, "not a sigrok session"},
        {FileFormat::Numpy, npz.substr(0, 300), "truncated"},
        {FileFormat::Numpy, sr, "not a record"},
        {FileFormat::Numpy, png, "not a zip archive"},
        {FileFormat::Csv, "", "empty"},
        {FileFormat::Csv, csv.substr(0, csv.size() / 2), "truncated"},
        {FileFormat::Csv, csv.substr(0, csv.size() - 1), "truncated"},
        {FileFormat::Csv, png, "truncated"},
        {FileFormat::Csv, "name,age\nann,41\n", "not a record"},
        {FileFormat::Csv, "time_s,ch1_V\n0,1\n1e-6,x\n", "line 3: \"x\" is not a number"},
        {FileFormat::Csv, "time_s,ch1_V\n0,1\n1e-6,1\n5e-6,1\n", "equal steps"},
        {FileFormat::Csv, "time_s,ch1_V\n0,1\n1e-6\n", "line 3 has 1 fields"},
    };
    for (const auto& c : cases) {
        const std::string name = "file." + std::string(InfoOf(c.format).name);
        try {
            DecodeRecord(c.bytes, c.format, name);
            ADD_FAILURE() << name << " accepted, expected: " << c.says;
        } catch (const FileError& e) {
            const std::string message = e.what();
            EXPECT_EQ(message.rfind(name + ": ", 0), 0u) << message;
            EXPECT_NE(message.find(c.says), std::string::npos)
                << message << ", expected: " << c.says;
        }
    }
}

// A write that fails leaves neither a partial file under the name nor the temporary file, and
// an earlier file of that name as it was. Root passes over permissions, so besides a
// read-only folder (skipped as root) the failures are a folder that is a file and a write cut
// short by the file size limit, as a full disk cuts it.
TEST(SafeWrite, AFailedWriteNamesThePathAndLeavesNothingHalfWritten) {
    const fs::path dir = Folder("fail");
    std::ofstream(dir / "plain") << "a file, not a folder";
    std::ofstream(dir / "old.csv") << "the earlier file";
    std::ofstream(dir / "old.npz") << "the earlier file";
    fs::create_directories(dir / "locked");
    fs::permissions(dir / "locked", fs::perms::owner_read | fs::perms::owner_exec);
    const core::Record record = KnownRecord();  // over 4 KiB in every format but the session

    std::signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead of ending the test
    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    // WriteRecordFile writes CSV and WAV whole through WriteFileSafely and the zip formats
    // through libzip; a CSV of several records is streamed through SafeFile.
    const struct {
        fs::path path;
        bool sizeLimit;
        bool streamed;
    } cases[] = {{dir / "plain" / "r.wav", false, false}, {dir / "plain" / "r.npz", false, false},
                 {dir / "old.csv", true, false},          {dir / "old.npz", true, false},
                 {dir / "new.wav", true, false},          {dir / "new.csv", true, true},
                 {dir / "locked" / "r.sr", false, false}};
    for (const auto& c : cases) {
        if (c.path.parent_path() == dir / "locked" && ::geteuid() == 0) continue;
        if (c.sizeLimit) {
            rlimit limit = before;
            limit.rlim_cur = 4096;
            ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
        }
        const std::string path = c.path.string();
        try {
            if (c.streamed) {
                SafeFile file(path);
                for (int i = 0; i < 3; ++i) WriteCsv(file.Stream(), record, i + 1);
                file.Commit();
            } else {
                WriteRecordFile(path, record, *FormatOfPath(path));
            }
            ADD_FAILURE() << path << " was written";
        } catch (const FileError& e) {
            EXPECT_EQ(std::string(e.what()).rfind("cannot write " + path + ": ", 0), 0u)
                << e.what();
        }
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &before), 0);
        EXPECT_EQ(fs::exists(c.path), c.path.stem() == "old") << path;
    }
    EXPECT_EQ(Slurp(dir / "old.csv"), "the earlier file");
    EXPECT_EQ(Slurp(dir / "old.npz"), "the earlier file");
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(dir)) {
        left.push_back(entry.path().filename().string());
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"locked", "old.csv", "old.npz", "plain"}))
        << "no temporary file left";
    fs::permissions(dir / "locked", fs::perms::owner_all);
}

TEST(SafeWrite, APipeIsWrittenAsItIsAndALinkKeepsNamingItsFile) {
    const fs::path dir = Folder("special");
    const core::Record record = KnownRecord();

    // A pipe (as /dev/null, a device) cannot be replaced by a complete file: the record goes
    // through it, and it stays a pipe.
    const fs::path pipe = dir / "pipe.csv";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    std::string got;
    std::atomic<bool> written{false};
    std::thread drain([&] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        char buffer[4096];
        while (std::chrono::steady_clock::now() < deadline) {
            const bool last = written;  // read before: what the writer put in is all there
            const ssize_t n = ::read(reader, buffer, sizeof buffer);
            if (n > 0) {
                got.append(buffer, static_cast<std::size_t>(n));
            } else if (last) {
                break;
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
    });
    WriteRecordFile(pipe.string(), record, FileFormat::Csv);
    written = true;
    drain.join();
    ::close(reader);
    EXPECT_TRUE(fs::is_fifo(pipe));
    const std::string expected = EncodeRecord(record, FileFormat::Csv);
    EXPECT_EQ(got.size(), expected.size());
    EXPECT_TRUE(got == expected) << "the pipe carried other bytes than the record's CSV";

    // Through a symbolic link the file it names is replaced, and the link stays.
    std::ofstream(dir / "real.sr") << "the earlier file";
    fs::create_symlink("real.sr", dir / "link.sr");
    WriteRecordFile((dir / "link.sr").string(), record, FileFormat::Sigrok);
    EXPECT_TRUE(fs::is_symlink(dir / "link.sr"));
    EXPECT_EQ(ReadRecordFile((dir / "real.sr").string()).traces.size(), 2u);
}

}  // namespace
}  // namespace zarvo::files
