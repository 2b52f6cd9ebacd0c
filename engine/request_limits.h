// The ranges of the values a render request may carry, all bounds inclusive:
// the engine refuses what lies outside, and the front ends check their
// fields against the same table; and the values a request starts from.
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

// The values a request takes where the user gives none: both front ends
// start from these (the sweep from C2 to C8).
struct RequestDefaults {
    double sineHz;
    double sweepStartHz;
    double sweepEndHz;
    double seconds;
    uint32_t attenuationDb;
    uint32_t rate;
    int32_t bits;
};

inline constexpr RequestDefaults kRequestDefaults{440.0, 65.406391, 4186.009045, 0.5, 3, 44100, 16};
