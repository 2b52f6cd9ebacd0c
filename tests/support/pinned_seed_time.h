// Pins the seed time while it lives and returns to the clock afterwards, also
// when an assertion ends the test early.
#pragma once

#include "seed_clock.h"

struct PinnedSeedTime {
    explicit PinnedSeedTime(int64_t seconds) { setSeedTime(seconds); }
    ~PinnedSeedTime() { setSeedTime(std::nullopt); }
};
