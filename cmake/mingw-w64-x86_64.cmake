# Cross-builds the Windows programs with Debian's MinGW-w64 compiler (g++-mingw-w64-x86-64-posix:
# the POSIX thread model, so std::thread and std::mutex are there as on Linux). Programs are
# linked statically, so they run without the compiler's DLLs beside them; tests run under Wine.
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TAVRIN_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TAVRIN_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TAVRIN_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TAVRIN_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TAVRIN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Tests and test discovery run the programs under Wine (Debian's wine64 has no wine on PATH).
find_program(TAVRIN_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(TAVRIN_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TAVRIN_WINE})
endif()
