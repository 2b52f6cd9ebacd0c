# Cross build for Debian's s390x with g++-s390x-linux-gnu, run under qemu-s390x:
#   cmake -S . -B build-s390x-linux-gnu -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/s390x-linux-gnu.cmake
set(VELTRANE_CROSS_TRIPLET s390x-linux-gnu)
set(VELTRANE_CROSS_PROCESSOR s390x)
set(VELTRANE_CROSS_QEMU qemu-s390x)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
