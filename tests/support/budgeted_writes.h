// A file layer for the WAVE writer whose appending writes stop after a byte
// budget (coming up short at the edge, then failing with ENOSPC).
#pragma once

#include <algorithm>
#include <cerrno>

#include "file_io.h"
#include "wave_file.h"

namespace budgeted_writes {

inline long budget = 0;

inline const WaveFileOps ops = {
    platform::openForWriting,
    [](int fd, const void* d, size_t c) -> int64_t {
        if (budget <= 0) {
            errno = ENOSPC;
            return -1;
        }
        const size_t n = std::min<size_t>(c, size_t(budget));
        budget -= long(n);
        return platform::writeSome(fd, d, n);
    },
    platform::writeAt,
    platform::truncateFile,
    platform::closeFile,
};

}  // namespace budgeted_writes
