// SPDX-License-Identifier: MIT
// Status words: every library status by name and meaning, and a failing call in one sentence.
#include "tools/core/status.h"

#include <gtest/gtest.h>

#include <string>

#include "zarvo.h"

namespace zarvo::core {
namespace {

TEST(Status, EveryCodeHasItsNameAndAMeaning) {
    const struct {
        std::uint16_t code;
        const char* name;
    } codes[] = {{RC_OK, "RC_OK"},
                 {RC_NO_INSTRUMENT, "RC_NO_INSTRUMENT"},
                 {RC_NOT_INITIALISED, "RC_NOT_INITIALISED"},
                 {RC_UNAVAILABLE, "RC_UNAVAILABLE"},
                 {RC_GENERATOR_ABSENT, "RC_GENERATOR_ABSENT"},
                 {RC_BAD_CHANNEL, "RC_BAD_CHANNEL"},
                 {RC_BAD_VALUE, "RC_BAD_VALUE"}};
    for (const auto& c : codes) {
        EXPECT_EQ(StatusName(c.code), c.name);
        EXPECT_FALSE(StatusMeaning(c.code).empty());
    }
    EXPECT_EQ(StatusName(3), "unknown status 3");
    EXPECT_NO_THROW(Check(RC_OK, "X"));
    try {
        Check(RC_BAD_CHANNEL, "SetCoupling");
        FAIL() << "Check must throw on a failing status";
    } catch (const ToolError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "SetCoupling failed: no such channel on this instrument (RC_BAD_CHANNEL)");
    }
}

}  // namespace
}  // namespace zarvo::core
