// Makes the process's next nothrow array allocation of a given size fail,
// as when the memory cannot be had. Include in one source file of a test
// program only: it replaces the C++ library's nothrow array new.
#pragma once

#include <atomic>
#include <cstddef>
#include <new>

// The size in bytes whose next nothrow array allocation answers null; 0: none.
inline std::atomic<std::size_t> failingArraySize{0};

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    std::size_t armed = size;
    if (size != 0 && failingArraySize.compare_exchange_strong(armed, 0))
        return nullptr;
    try {
        return ::operator new[](size);
    } catch (...) {
        return nullptr;
    }
}
