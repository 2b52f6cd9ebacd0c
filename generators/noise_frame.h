// The block frame that the white and pink noise generators share: the
// machinery around the rules of noise_rules.h.
#pragma once

#include <cstdint>

#include "level_table.h"
#include "noise_rules.h"

// What both noise generators hold besides their random source: the active
// flag, the configured scale, rate and width, and the samples still to come.
class NoiseGeneratorFrame {
public:
    // Ends a signal that a stopped job left armed.
    void disarm();
    // The samples of the armed signal still to come.
    uint32_t samplesLeft() const { return remainingSamples; }

protected:
    double sampleScale = 0.0;
    uint32_t sampleRate = 0;
    uint32_t remainingSamples = 0;
    int32_t bitWidth = 0;

    // Takes a request unless a signal runs: stores
    // rate and width and answers its count of samples (noiseSampleCount).
    bool acceptRequest(uint32_t rate, int32_t width, double duration, uint32_t& count);
    // Starts a block of count samples and answers how many of them carry noise;
    // at the signal's end zeroes the rest of the block and clears the flag.
    uint32_t beginBlock(int32_t* samples, uint32_t count);

    bool active_ = false;
};
