# Windows (x86-64) with Debian's MinGW-w64 compilers, run here under Wine:
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/x86_64-w64-mingw32.cmake
#   cmake --build build-windows --target veltrane-cli
# The POSIX thread model (g++-mingw-w64-x86-64-posix) gives std::thread. The
# programs are linked statically: nothing to ship beside the .exe. CTest runs
# the tests through wine64, in a Wine prefix of the build's own (so that a
# fresh clone works as any user), with a time limit on every run.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VELTRANE_CROSS_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ENV{PKG_CONFIG_LIBDIR} /usr/x86_64-w64-mingw32/lib/pkgconfig)
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
# The dialog is built on the Win32 API here (Debian has no Qt for MinGW), and
# the benchmarks compare with Linux programs.
set(VELTRANE_BUILD_BENCH OFF CACHE BOOL "Build the Google Benchmark programs")
# Debian's wine64 package puts the program in /usr/lib/wine; the wine
# package adds /usr/bin/wine, which starts it for a 64-bit program.
find_program(VELTRANE_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(NOT VELTRANE_WINE)
  set(VELTRANE_WINE wine64)
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR env WINEPREFIX=${CMAKE_BINARY_DIR}/wine-prefix WINEDEBUG=-all
    timeout -k 10 300 ${VELTRANE_WINE})
