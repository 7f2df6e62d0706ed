// SPDX-License-Identifier: MIT
// Entry point of every test program. Each test process is a machine of its own: it gets a
// private temporary directory (TMPDIR), where the simulated instrument keeps its port claims,
// so test programs running side by side never find each other's instrument busy. Tests that
// claim a port twice within one process still see the claim, as on a real machine.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    const char* base = std::getenv("TMPDIR");
    std::string pattern =
        std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/zarvo-test-XXXXXX";
    const char* dir = mkdtemp(pattern.data());
    if (dir != nullptr) setenv("TMPDIR", dir, 1);

    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();

    if (dir != nullptr) {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
    return result;
}
