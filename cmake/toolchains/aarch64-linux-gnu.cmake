# Cross build for Debian's arm64 with g++-aarch64-linux-gnu, run under qemu-aarch64:
#   cmake -S . -B build-aarch64-linux-gnu -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/aarch64-linux-gnu.cmake
set(VELTRANE_CROSS_TRIPLET aarch64-linux-gnu)
set(VELTRANE_CROSS_PROCESSOR aarch64)
set(VELTRANE_CROSS_QEMU qemu-aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
