# Cross build for Debian's i386 with g++-i686-linux-gnu, run under qemu-i386:
#   cmake -S . -B build-i686-linux-gnu -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/i686-linux-gnu.cmake
set(VELTRANE_CROSS_TRIPLET i686-linux-gnu)
set(VELTRANE_CROSS_PROCESSOR i686)
set(VELTRANE_CROSS_QEMU qemu-i386)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
