// How a generator hands the costly, order-free part of its arithmetic to
// whoever can spread it over several CPUs.
#pragma once

#include <cstdint>

class RangeRunner {
public:
    using Piece = void (*)(void* context, uint32_t begin, uint32_t end);
    virtual ~RangeRunner() = default;
    // Whether other threads take part; without them finish does all the work.
    virtual bool parallel() const = 0;
    // Offers [0, count) to the other threads in consecutive pieces and
    // returns at once: they call piece on the pieces they take while the
    // caller goes on. The pieces must not depend on one another. One range
    // at a time.
    virtual void start(uint32_t count, Piece piece, void* context) = 0;
    // Runs the pieces nobody took yet on this thread and returns when every
    // piece of the range has run. Without a range started, returns at once.
    virtual void finish() = 0;
};
