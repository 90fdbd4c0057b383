# SPDX-License-Identifier: MIT
# Cross-compiling the Windows program on Linux with MinGW-w64 (x86-64, the
# POSIX thread model so that std::thread and std::mutex work).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MALVORN_MINGW_PREFIX x86_64-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES ${MALVORN_MINGW_PREFIX}-gcc-posix ${MALVORN_MINGW_PREFIX}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${MALVORN_MINGW_PREFIX}-g++-posix ${MALVORN_MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${MALVORN_MINGW_PREFIX}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${MALVORN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Config files of our own (the GoogleTest shim) live in the source tree.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# One self-contained .exe: no libgcc, libstdc++ or winpthread DLLs to ship
# next to it (or to find on Wine's path).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run under Wine when ctest is used.
find_program(MALVORN_WINE NAMES wine64 wine)
if(MALVORN_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${MALVORN_WINE})
endif()
# Listing the tests of a test program needs Wine; do it when ctest runs, not
# while building.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
