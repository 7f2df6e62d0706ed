// SPDX-License-Identifier: MIT
// The C face of the decoders: every argument checked, nothing thrown across it.
#include <cmath>
#include <cstring>
#include <exception>
#include <string>

#include "tools/analysis/decode/decode.h"
#include "tools/analysis/decode/zarvo_analysis.h"

namespace {

thread_local double lastBaud = 0.0;

void Tell(const std::string& text, char* message, std::size_t size) {
    if (message == nullptr || size == 0) return;
    const std::size_t n = text.size() < size - 1 ? text.size() : size - 1;
    std::memcpy(message, text.data(), n);
    message[n] = '\0';
}

// The fixed error texts of the frames, as C strings that live as long as the library.
const char* ErrorText(std::string_view error) {
    static constexpr const char* kTexts[] = {"framing error", "parity error", "break",
                                             "incomplete byte"};
    for (const char* text : kTexts) {
        if (error == text) return text;
    }
    return error.empty() ? "" : "error";
}

}  // namespace

extern "C" ZARVO_ANALYSIS_API int zarvo_decode(const char* setting, const double* ch1,
                                               const double* ch2, size_t count, double rate,
                                               double trigger_index, ZarvoFrame* frames,
                                               size_t capacity, size_t* found, char* message,
                                               size_t message_size) {
    using namespace zarvo::analysis::decode;
    Tell("", message, message_size);
    if (found != nullptr) *found = 0;
    if (setting == nullptr || found == nullptr || (frames == nullptr && capacity > 0)) {
        Tell("a null pointer for the setting, the frames or their count", message, message_size);
        return ZARVO_DECODE_BAD_ARGUMENT;
    }
    if (!(rate > 0.0) || !std::isfinite(rate) || !std::isfinite(trigger_index)) {
        Tell("the sample rate must be above 0 and the trigger index a number", message,
             message_size);
        return ZARVO_DECODE_BAD_ARGUMENT;
    }
    try {
        std::string error;
        const auto setup = ParseBusSetup(setting, &error);
        if (!setup) {
            Tell(error, message, message_size);
            return ZARVO_DECODE_BAD_SETTING;
        }
        int channels[2] = {0, 0};
        const int used = setup->Channels(channels);
        const double* volts[2] = {ch1, ch2};
        for (int k = 0; k < used; ++k) {
            if (volts[channels[k] - 1] == nullptr) {
                Tell("channel " + std::to_string(channels[k]) + " has no samples", message,
                     message_size);
                return ZARVO_DECODE_BAD_ARGUMENT;
            }
        }
        Record record;
        record.volts[0] = ch1;
        record.volts[1] = ch2;
        record.count = count;
        record.rate = rate;
        record.triggerIndex = trigger_index;
        const Result result = Decode(*setup, record);
        lastBaud = result.baud;
        *found = result.frames.size();
        for (std::size_t i = 0; i < result.frames.size() && i < capacity; ++i) {
            const Frame& f = result.frames[i];
            frames[i] = ZarvoFrame{
                f.start, f.end,          static_cast<int32_t>(f.bus), static_cast<int32_t>(f.kind),
                f.value, f.read ? 1 : 0, ErrorText(f.error)};
        }
        if (result.frames.empty()) {
            Tell(result.message, message, message_size);
            return ZARVO_DECODE_NOTHING;
        }
        return ZARVO_DECODE_OK;
    } catch (const std::exception& e) {
        Tell(e.what(), message, message_size);
        return ZARVO_DECODE_BAD_ARGUMENT;
    }
}

extern "C" ZARVO_ANALYSIS_API double zarvo_decode_baud(void) {
    return lastBaud;
}
