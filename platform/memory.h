// Memory the renderers ask for in particular shapes, and hints about how it
// will be used. The hints change no byte: where the system has no such hint
// they do nothing.
#pragma once

#include <cstddef>

namespace platform {

// bytes of memory aligned to alignment (a power of two; bytes a multiple
// of it), or null; released with freeAligned.
void* allocateAligned(size_t alignment, size_t bytes);
void freeAligned(void* memory);

// Asks the system to back memory with huge pages where it grants them.
void adviseHugePages(void* memory, size_t bytes);
// Maps the whole pages of memory for writing in one call rather than one
// fault per page at the first write.
void prefaultForWriting(void* memory, size_t bytes);

}  // namespace platform
