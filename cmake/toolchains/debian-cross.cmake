# Shared by the per-target toolchain files beside it, which set
# VELTRANE_CROSS_TRIPLET (the GNU triplet of Debian's cross compiler,
# g++-TRIPLET), VELTRANE_CROSS_PROCESSOR and VELTRANE_CROSS_QEMU (the
# qemu-user program that runs the target's programs here). CTest runs the
# tests through that emulator.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ${VELTRANE_CROSS_PROCESSOR})
set(CMAKE_C_COMPILER ${VELTRANE_CROSS_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${VELTRANE_CROSS_TRIPLET}-g++)
set(CMAKE_FIND_ROOT_PATH /usr/${VELTRANE_CROSS_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config looks only at the target's own libraries.
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/${VELTRANE_CROSS_TRIPLET}/pkgconfig)
# The target's libraries come from the cross toolchain's directory; the
# library path keeps the loader from taking this machine's own libraries of
# the same architecture (such as /lib32), which do not match it.
set(CMAKE_CROSSCOMPILING_EMULATOR ${VELTRANE_CROSS_QEMU} -L /usr/${VELTRANE_CROSS_TRIPLET}
    -E LD_LIBRARY_PATH=/usr/${VELTRANE_CROSS_TRIPLET}/lib)
