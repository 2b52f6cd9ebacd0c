// How a generator hands the costly, order-free part of its arithmetic to
// whoever can spread it over several CPUs.
#pragma once

#include <cstdint>

class RangeRunner {
public:
    using Piece = void (*)(void* context, uint32_t begin, uint32_t end);
    virtual ~RangeRunner() = default;
    // Calls piece on consecutive pieces that together cover [0, count), each
    // once, possibly at the same time on other threads, and returns when all
    // have run. The pieces must not depend on one another.
    virtual void run(uint32_t count, Piece piece, void* context) = 0;
};
