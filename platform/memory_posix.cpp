#include "memory.h"

#include <cstdint>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

namespace platform {

void* allocateAligned(size_t alignment, size_t bytes)
{
    return std::aligned_alloc(alignment, bytes);
}

void freeAligned(void* memory)
{
    std::free(memory);
}

void adviseHugePages(void* memory, size_t bytes)
{
    ::madvise(memory, bytes, MADV_HUGEPAGE);
}

void prefaultForWriting(void* memory, size_t bytes)
{
#ifdef MADV_POPULATE_WRITE
    if (!memory)
        return;
    const uintptr_t page = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(memory) + page - 1) / page * page;
    const uintptr_t end = (reinterpret_cast<uintptr_t>(memory) + bytes) / page * page;
    if (end > begin)
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#else
    (void)memory;
    (void)bytes;
#endif
}

}  // namespace platform
