// A file layer for the WAVE writer whose appending writes stop after a byte
// budget (coming up short at the edge, then failing with ENOSPC).
#pragma once

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include "wave_file.h"

namespace budgeted_writes {

inline long budget = 0;

inline const WaveFileOps ops = {
    [](const char* p, int f, mode_t m) { return ::open(p, f, m); },
    [](int fd, const void* d, size_t c) -> ssize_t {
        if (budget <= 0) {
            errno = ENOSPC;
            return -1;
        }
        const size_t n = std::min<size_t>(c, size_t(budget));
        budget -= long(n);
        return ::write(fd, d, n);
    },
    [](int fd, const void* d, size_t c, off_t o) { return ::pwrite(fd, d, c, o); },
    [](int fd, off_t l) { return ::ftruncate(fd, l); },
    [](int fd) { return ::close(fd); },
};

}  // namespace budgeted_writes
