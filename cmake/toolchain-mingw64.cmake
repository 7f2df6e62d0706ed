# SPDX-License-Identifier: MIT
# Cross-building the library and its Windows tests for 64-bit Windows with mingw-w64. The
# shipped library is the 32-bit DLL.dll; this build exists so that the Windows platform layer,
# the export table and measurements through the DLL can be tested under 64-bit wine on hosts
# whose kernel does not run 32-bit programs.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ZARVO_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
