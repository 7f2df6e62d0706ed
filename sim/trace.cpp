// SPDX-License-Identifier: MIT
#include "sim/trace.h"

namespace zarvo::sim {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

void Format(char* out, char kind, std::uint16_t port, std::uint8_t value) {
    out[0] = kind;
    out[1] = ' ';
    out[2] = kHex[(port >> 12) & 0xF];
    out[3] = kHex[(port >> 8) & 0xF];
    out[4] = kHex[(port >> 4) & 0xF];
    out[5] = kHex[port & 0xF];
    out[6] = ' ';
    out[7] = kHex[value >> 4];
    out[8] = kHex[value & 0xF];
    out[9] = '\n';
}

}  // namespace

std::unique_ptr<TracingPort> TracingPort::Open(PortBackend& inner, const std::string& path,
                                               std::string* error) {
    std::FILE* file = std::fopen(path.c_str(), "ab");
    if (file == nullptr) {
        if (error != nullptr) *error = "ZARVO_SIM: cannot open trace file '" + path + "'";
        return nullptr;
    }
    return std::unique_ptr<TracingPort>(new TracingPort(inner, file));
}

TracingPort::~TracingPort() {
    Flush();
    std::fclose(file_);
}

std::string TracingPort::Line(bool write, std::uint16_t port, std::uint8_t value) {
    char line[kLineLength];
    Format(line, write ? 'W' : 'R', port, value);
    return std::string(line, kLineLength);
}

void TracingPort::Append(char kind, std::uint16_t port, std::uint8_t value) {
    if (used_ + kLineLength > sizeof buffer_) Flush();
    Format(buffer_ + used_, kind, port, value);
    used_ += kLineLength;
}

void TracingPort::Flush() {
    if (used_ > 0) std::fwrite(buffer_, 1, used_, file_);
    used_ = 0;
    std::fflush(file_);
}

}  // namespace zarvo::sim
