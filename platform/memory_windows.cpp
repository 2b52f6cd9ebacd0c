#include "memory.h"

#include <malloc.h>

namespace platform {

void* allocateAligned(size_t alignment, size_t bytes)
{
    return _aligned_malloc(bytes, alignment);
}

void freeAligned(void* memory)
{
    _aligned_free(memory);
}

// Large pages need a privilege that ordinary accounts lack, and Windows
// maps pages as they are first touched: neither hint has a counterpart.
void adviseHugePages(void*, size_t) {}
void prefaultForWriting(void*, size_t) {}

}  // namespace platform
