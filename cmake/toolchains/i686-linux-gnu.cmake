# Cross build for i686-linux-gnu with Debian's cross compiler (g++-i686-linux-gnu).
# Programs built here run on this machine through qemu-user (qemu-i386), which
# CTest uses to run the tests: cmake -DCMAKE_TOOLCHAIN_FILE=this-file ...
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER i686-linux-gnu-g++)
set(CMAKE_FIND_ROOT_PATH /usr/i686-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config looks only at the target's own libraries.
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/i686-linux-gnu/pkgconfig)
# The target's libraries come from the cross toolchain's directory; the
# library path keeps the loader from taking this machine's own libraries of
# the same architecture (such as /lib32), which do not match it.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-i386 -L /usr/i686-linux-gnu -E LD_LIBRARY_PATH=/usr/i686-linux-gnu/lib)
