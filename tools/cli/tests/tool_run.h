// SPDX-License-Identifier: MIT
// Running the zarvo tool as a person does, for its tests: the binary, its output and exit
// status, and the CSV it writes.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/analysis/stats.h"

namespace {

struct ToolRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

inline std::string Slurp(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class Tool : public ::testing::Test {
protected:
    std::string Temp(const std::string& name) const {
        return ::testing::TempDir() + "cli_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" + name;
    }

    // The test's own directory for the simulated port claims, so that tests running side by
    // side do not find each other's port busy.
    std::string ClaimDirectory() const {
        const std::string dir = Temp("claims");
        std::filesystem::create_directories(dir);
        return dir;
    }

    // Runs the tool with the given arguments (a shell fragment), without ZARVO_SIM from the
    // environment, capturing both output streams and the exit status.
    ToolRun Zarvo(const std::string& args) const {
        const std::string out = Temp("stdout");
        const std::string err = Temp("stderr");
        const std::string command = "env -u ZARVO_SIM TMPDIR=" + ClaimDirectory() + " " +
                                    std::string(ZARVO_TOOL) + " " + args + " >" + out + " 2>" +
                                    err + " </dev/null";
        const int status = std::system(command.c_str());
        ToolRun run;
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.out = Slurp(out);
        run.err = Slurp(err);
        std::remove(out.c_str());
        std::remove(err.c_str());
        return run;
    }
};

// Columns of a CSV written by the tool, after checking its header.
inline std::vector<std::vector<double>> ReadCsv(const std::string& text,
                                                const std::string& header) {
    std::istringstream in(text);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, header);
    std::vector<std::vector<double>> columns;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string field;
        for (std::size_t c = 0; std::getline(fields, field, ','); ++c) {
            if (columns.size() <= c) columns.resize(c + 1);
            columns[c].push_back(std::stod(field));
        }
    }
    return columns;
}

}  // namespace
