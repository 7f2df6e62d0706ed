// SPDX-License-Identifier: MIT
// Pieces shared by the fuzz targets: reading the fuzzer's bytes, caller buffers guarded by
// canaries, failing loudly, and the result trace that shows whether an input gives the same
// results when it runs alone as when it runs after thousands of others.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

namespace zarvo::fuzz {

[[noreturn]] inline void Fail(const char* what, long long detail) {
    std::fprintf(stderr, "fuzz: %s (%lld)\n", what, detail);
    std::fflush(stderr);
    std::abort();
}

// The result trace: one line per observed result, collected per input. Written only when
// ZARVO_FUZZ_TRACE names a file; otherwise recording costs a test of a flag.
class Trace {
public:
    static Trace& Get() {
        static Trace trace;
        return trace;
    }
    bool On() const { return file_ != nullptr; }
    void Begin(const std::uint8_t* data, std::size_t size) {
        if (!On()) return;
        lines_.clear();
        char head[64];
        std::snprintf(head, sizeof head, "== input %016llx %zu\n",
                      static_cast<unsigned long long>(Hash(data, size)), size);
        lines_ += head;
    }
    void Note(const char* what, double value) {
        if (!On()) return;
        char line[96];
        std::snprintf(line, sizeof line, "%s %.17g\n", what, value);
        lines_ += line;
    }
    void NoteBytes(const char* what, const void* data, std::size_t size) {
        if (!On()) return;
        char line[96];
        std::snprintf(line, sizeof line, "%s #%016llx\n", what,
                      static_cast<unsigned long long>(Hash(data, size)));
        lines_ += line;
    }
    void End() {
        if (!On()) return;
        std::fputs(lines_.c_str(), file_);
        std::fflush(file_);
    }

    static std::uint64_t Hash(const void* data, std::size_t size) {
        // FNV-1a: a fingerprint, not a defence.
        std::uint64_t h = 1469598103934665603ull;
        const auto* p = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < size; ++i) h = (h ^ p[i]) * 1099511628211ull;
        return h;
    }

private:
    Trace() {
        const char* path = std::getenv("ZARVO_FUZZ_TRACE");
        if (path != nullptr && *path != '\0') file_ = std::fopen(path, "a");
    }
    std::FILE* file_ = nullptr;
    std::string lines_;
};

inline void Note(const char* what, double value) {
    Trace::Get().Note(what, value);
}

// Reads the fuzzer's bytes; past the end every read gives zeros.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool Empty() const { return at_ >= size_; }
    std::size_t Left() const { return at_ < size_ ? size_ - at_ : 0; }
    std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::uint16_t U16() { return static_cast<std::uint16_t>(Byte() | (Byte() << 8)); }
    std::uint32_t Raw32() { return U16() | (static_cast<std::uint32_t>(U16()) << 16); }
    // Up to n bytes as text (fewer at the end of the input).
    std::string Text(std::size_t n) {
        n = std::min(n, Left());
        std::string s(reinterpret_cast<const char*>(data_ + at_), n);
        at_ += n;
        return s;
    }

    // An integer argument: mostly values around the edges of what the exports take.
    std::uint32_t U32() {
        static constexpr std::uint32_t kEdges[] = {
            0,       1,          2,          3,          4,         5,     6,     7,
            8,       9,          15,         16,         17,        127,   128,   255,
            256,     511,        512,        1000,       16383,     16384, 16385, 32759,
            32760,   32761,      32767,      32768,      65535,     65536, 100,   99999,
            1000000, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFE, 0xFFFFFFFF};
        const std::uint8_t pick = Byte();
        if (pick < sizeof kEdges / sizeof kEdges[0]) return kEdges[pick];
        return Raw32();
    }

    // A real argument: edge values, the scales the instrument works in, or any bits.
    double Real() {
        static constexpr double kEdgeReals[] = {
            std::numeric_limits<double>::quiet_NaN(),
            -std::numeric_limits<double>::quiet_NaN(),
            std::numeric_limits<double>::infinity(),
            -std::numeric_limits<double>::infinity(),
            0.0,
            -0.0,
            std::numeric_limits<double>::denorm_min(),
            std::numeric_limits<double>::max(),
            std::numeric_limits<double>::lowest(),
            1e-300,
            0.2,
            0.5,
            2.0,
            -2.0,
            8.0,
            80.0,
            160.0,
            -160.0,
            1e3,
            1e6,
            12.5e6,
            25e6,
            25e6 + 1,
            50e6,
            1e9,
            9.2233720368547758e18,
            -9.2233720368547758e18,
            4294967296.0,
        };
        const std::uint8_t pick = Byte();
        if (pick < sizeof kEdgeReals / sizeof kEdgeReals[0]) return kEdgeReals[pick];
        if (pick < 128) return static_cast<double>(static_cast<std::int32_t>(Raw32())) / 1000.0;
        std::uint64_t bits = Raw32() | (static_cast<std::uint64_t>(Raw32()) << 32);
        double value = 0;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// A caller's array of `count` elements followed by a canary region: a write past the end shows
// as a changed canary (and, past the canary, as a heap overflow to AddressSanitizer). What the
// library wrote goes into the trace when the buffer is checked for the last time.
template <class T>
class Guarded {
public:
    explicit Guarded(std::size_t count)
        : count_(count), storage_(std::make_unique<T[]>(count + kCanaryElements)) {
        std::memset(static_cast<void*>(storage_.get()), kFill,
                    (count + kCanaryElements) * sizeof(T));
    }
    ~Guarded() {
        Check();
        Trace::Get().NoteBytes("out", storage_.get(), count_ * sizeof(T));
    }
    Guarded(const Guarded&) = delete;
    Guarded& operator=(const Guarded&) = delete;

    T* Data() { return storage_.get(); }
    // The array, or a null pointer when the fuzzer asks for one.
    T* Pass(bool null) { return null ? nullptr : Data(); }

    void Check() const {
        const auto* canary = reinterpret_cast<const unsigned char*>(storage_.get() + count_);
        for (std::size_t i = 0; i < kCanaryElements * sizeof(T); ++i) {
            if (canary[i] != kFill) {
                Fail("write past the end of a caller buffer", static_cast<long long>(count_));
            }
        }
    }

private:
    static constexpr std::size_t kCanaryElements = 16;
    static constexpr unsigned char kFill = 0xCB;
    std::size_t count_;
    std::unique_ptr<T[]> storage_;
};

}  // namespace zarvo::fuzz
