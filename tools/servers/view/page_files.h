// SPDX-License-Identifier: MIT
// The page's files, compiled into the executable (page_files.cpp is generated from page/ at
// build time, the files listed in page/files.cmake), so the view needs nothing installed and
// nothing from the internet.
#pragma once

#include <span>
#include <string_view>

namespace zarvo::view {

struct PageFile {
    std::string_view path;  // as requested, e.g. "/main.js"
    const char* type;       // content type
    std::string_view body;
};

extern const std::span<const PageFile> kPageFiles;

}  // namespace zarvo::view
