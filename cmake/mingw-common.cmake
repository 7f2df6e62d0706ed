# SPDX-License-Identifier: MIT
# Shared part of the mingw-w64 toolchain files: set ZARVO_MINGW_TRIPLET, then include this.
#
# The posix threading variant of the compilers is preferred: its C++ library has the whole
# C++20 thread support, and with static linking it still needs no DLL of its own.
set(CMAKE_SYSTEM_NAME Windows)

find_program(ZARVO_MINGW_CC NAMES ${ZARVO_MINGW_TRIPLET}-gcc-posix ${ZARVO_MINGW_TRIPLET}-gcc
             REQUIRED)
find_program(ZARVO_MINGW_CXX NAMES ${ZARVO_MINGW_TRIPLET}-g++-posix ${ZARVO_MINGW_TRIPLET}-g++
             REQUIRED)
find_program(ZARVO_MINGW_RC NAMES ${ZARVO_MINGW_TRIPLET}-windres)
set(CMAKE_C_COMPILER ${ZARVO_MINGW_CC})
set(CMAKE_CXX_COMPILER ${ZARVO_MINGW_CXX})
if(ZARVO_MINGW_RC)
    set(CMAKE_RC_COMPILER ${ZARVO_MINGW_RC})
endif()

set(CMAKE_FIND_ROOT_PATH /usr/${ZARVO_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Programs and the DLL carry the C and C++ runtimes inside, so they run on a bare Windows (or
# wine prefix) with nothing but system DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
