// The page's files, compiled into the executable (page_files.cpp is generated from page/ at
// build time), so the view needs nothing installed and nothing from the internet.
#pragma once

#include <array>
#include <string_view>

namespace zarvo::view {

struct PageFile {
    std::string_view path;  // as requested, e.g. "/view.js"
    const char* type;       // content type
    std::string_view body;
};

extern const std::array<PageFile, 3> kPageFiles;

}  // namespace zarvo::view
