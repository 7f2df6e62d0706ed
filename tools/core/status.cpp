// SPDX-License-Identifier: MIT
// The library's status codes by name and in words, and the check that throws on a failure.
#include "tools/core/status.h"

#include "zarvo.h"

namespace zarvo::core {

namespace {

struct StatusText {
    std::uint16_t code;
    const char* name;
    const char* meaning;
};

constexpr StatusText kStatusTexts[] = {
    {RC_OK, "RC_OK", "success"},
    {RC_NO_INSTRUMENT, "RC_NO_INSTRUMENT", "no instrument is open"},
    {RC_NOT_INITIALISED, "RC_NOT_INITIALISED", "the instrument was not initialised"},
    {RC_UNAVAILABLE, "RC_UNAVAILABLE", "not available on this instrument"},
    {RC_GENERATOR_ABSENT, "RC_GENERATOR_ABSENT", "the instrument has no such generator"},
    {RC_BAD_CHANNEL, "RC_BAD_CHANNEL", "no such channel on this instrument"},
    {RC_BAD_VALUE, "RC_BAD_VALUE", "value outside the accepted range"},
};

const StatusText* Find(std::uint16_t status) {
    for (const StatusText& text : kStatusTexts) {
        if (text.code == status) return &text;
    }
    return nullptr;
}

}  // namespace

std::string StatusName(std::uint16_t status) {
    const StatusText* text = Find(status);
    return text != nullptr ? text->name : "unknown status " + std::to_string(status);
}

std::string StatusMeaning(std::uint16_t status) {
    const StatusText* text = Find(status);
    return text != nullptr ? text->meaning : "the library returned an unexpected status";
}

void Check(std::uint16_t status, const char* call) {
    if (status == RC_OK) return;
    throw ToolError(std::string(call) + " failed: " + StatusMeaning(status) + " (" +
                    StatusName(status) + ")");
}

}  // namespace zarvo::core
