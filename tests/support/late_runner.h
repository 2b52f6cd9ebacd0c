// A range runner that computes the pieces offered only when finished, the
// last piece first, as a thread that took them late would.
#pragma once

#include "range_runner.h"

struct LateRunner : RangeRunner {
    bool parallel() const override { return true; }
    void start(uint32_t n, Piece p, void* c) override
    {
        finish();
        count = n;
        piece = p;
        context = c;
    }
    void finish() override
    {
        for (uint32_t end = count; end > 0;) {
            const uint32_t begin = end > 700 ? end - 700 : 0;
            piece(context, begin, end);
            end = begin;
        }
        count = 0;
    }
    uint32_t count = 0;
    Piece piece = nullptr;
    void* context = nullptr;
};
