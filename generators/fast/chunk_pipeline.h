// Two chunks of a signal in turn, for the generators that compute ahead:
// while the samples are taken from one, the other's order-free arithmetic
// runs through the range runner on inputs that were made before, in the
// signal's order; meanwhile the inputs of the chunk after are made. A chunk
// keeps its inputs and its results apart, so the inputs of a later chunk go
// into the store of the one being served.
#pragma once

#include <cstdint>

#include "range_runner.h"

class ChunkPipeline {
public:
    // What a generator does for its chunks, numbered 0 and 1.
    class Stages {
    public:
        // Makes chunk k's inputs, in order, unless it holds some: where the
        // signal has some left, or (needed) when the chunk is to be served
        // next. Answers whether chunk k holds inputs waiting to be computed.
        virtual bool prepare(int k, bool needed) = 0;
        // Claims chunk k's inputs for its arithmetic: count items, each range
        // of them computed by piece(context, begin, end).
        virtual RangeRunner::Piece claim(int k, uint32_t& count, void*& context) = 0;
        // Chunk k is served: the inputs of the chunk after next may go into
        // its store. By default they are made at once.
        virtual void prepareAhead(int k) { prepare(k, false); }
        // Finishes inputs that prepareAhead left to be made later.
        virtual void completeInputs() {}

    protected:
        ~Stages() = default;
    };

    explicit ChunkPipeline(Stages& stages) : stages_(stages) {}
    // Who computes; null: each chunk is computed when it is claimed.
    void setRunner(RangeRunner* runner);
    RangeRunner* runner() const { return runner_; }

    // Serves the chunk being computed once it is done, starts the other's
    // arithmetic and has the inputs of the one after made. False when there
    // is no chunk left to serve.
    bool take();
    int serving() const { return serving_; }
    // Waits for arithmetic still running, so the runner holds nothing of
    // the stages', and forgets which chunk computes.
    void settle();

private:
    void start(int k);

    Stages& stages_;
    RangeRunner* runner_ = nullptr;
    bool computing_[2] = {false, false};
    int serving_ = 0;
};
