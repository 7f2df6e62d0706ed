// SPDX-License-Identifier: MIT
#include "platform/parport_proc_linux.h"

#include <charconv>
#include <fstream>

namespace zarvo::host {

namespace {

// The kernel's limit on parallel ports.
constexpr int kMaxParports = 16;
// The record is two decimal numbers; anything longer is not a record of this kind.
constexpr std::size_t kMaxRecordChars = 64;

}  // namespace

int ParportNumberOfName(const std::string& name) {
    if (name.size() < 4 || name.compare(0, 3, "LPT") != 0) return -1;
    const char* first = name.data() + 3;
    const char* last = name.data() + name.size();
    if (*first == '0') return -1;  // "LPT01" is no port name
    int n = 0;
    const auto [end, ec] = std::from_chars(first, last, n);
    if (ec != std::errc{} || end != last || n < 1 || n > kMaxParports) return -1;
    return n - 1;
}

std::uint64_t ReadParportBase(const std::string& procRoot, int number) {
    if (number < 0 || number >= kMaxParports) return 0;
    const std::string path = procRoot + "/parport" + std::to_string(number) + "/base-addr";
    std::ifstream in(path, std::ios::binary);
    if (!in) return 0;
    char text[kMaxRecordChars] = {};
    in.read(text, sizeof text);
    const char* first = text;
    const char* last = text + in.gcount();
    std::uint64_t base = 0;
    const auto [end, ec] = std::from_chars(first, last, base);
    if (ec != std::errc{} || end == first) return 0;
    if (end != last && *end != '\t' && *end != ' ' && *end != '\n') return 0;
    return base;
}

}  // namespace zarvo::host
