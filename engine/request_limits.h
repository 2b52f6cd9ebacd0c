// The ranges of the values a render request may carry, all bounds inclusive:
// the engine refuses what lies outside, and the front ends check their
// fields against the same table.
#pragma once

#include <cstdint>

struct RequestLimits {
    double minFrequencyHz;
    double maxFrequencyHz;
    double minSineSeconds;
    double minSweepNoiseSeconds;  // sweeps and both noises
    double maxSeconds;
    uint32_t maxAttenuationDb;
};

inline constexpr RequestLimits kRequestLimits{10.0, 22050.0, 0.01, 0.1, 120.0, 90};
