// Gaussian white noise and the level rule and block frame shared with pink noise.
#pragma once

#include <cstdint>
#include <memory>

#include "mwc_random.h"

// Peak amplitude of noise at an attenuation in dB, in the range of the width.
double noiseLevel(uint32_t attenuation, int32_t width);

// floor(rate * duration) kept to its low 32 bits; false for a duration that
// gives no countable number of samples (negative, infinite or not a number).
bool noiseSampleCount(uint32_t rate, double duration, uint32_t& count);

// Starts a noise block of count samples: answers how many of them carry noise,
// takes them from remaining, and at the signal's end zeroes the rest of the
// block and clears active.
uint32_t beginNoiseBlock(uint32_t& remaining, bool& active, int32_t* samples, uint32_t count);

// A 16-bit sample keeps its low 16 bits, sign-extended; wider ones stay as they are.
inline int32_t reduceToWidth(int32_t sample, int32_t width)
{
    return width == 16 ? static_cast<int16_t>(sample) : sample;
}

class WhiteNoiseGenerator {
public:
    WhiteNoiseGenerator();
    void configureWhite(uint32_t sampleRate, int32_t width, double duration, uint32_t attenuation);
    void fillWhiteBlock(int32_t* samples, uint32_t count);
    bool whiteActive() const { return whiteActive_; }
    void disarm();

    // --- implementation, public only for the tests ---
    std::unique_ptr<MwcRandom> source;
    double sampleScale = 0.0;
    uint32_t sampleRate = 0;
    uint32_t remainingSamples = 0;
    int32_t bitWidth = 0;

private:
    int32_t whiteSample(double g) const;

    bool whiteActive_ = false;
};
