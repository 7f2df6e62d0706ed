# SPDX-License-Identifier: MIT
# Cross-building DLL.dll for 32-bit Windows (the shipped library) with mingw-w64:
#   cmake -S . -B build-mingw32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw32.cmake
set(CMAKE_SYSTEM_PROCESSOR i686)
set(ZARVO_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
