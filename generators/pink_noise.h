// Pink noise by the 16-row running-sum method.
#pragma once

#include <bit>
#include <cstdint>
#include <memory>

#include "noise_frame.h"

// The pink noise state: a congruential random word and sixteen rows, one of
// which is renewed per sample; row k every 2^(k+1) samples.
struct PinkNoiseSource {
    uint32_t lcgState = 0;
    uint32_t rowCounter = 1;
    uint32_t conversionWord = 0;  // bits of the last random value, read as a float
    float runningSum = 0.0f;      // sum of the rows, within [-4, 4]
    float rows[16] = {};

    // Next pink value in [-0.5625, 0.5625).
    inline float nextPinkSample();
};

// Advances the source's congruential state one step and answers its top 23
// bits as a float in [-0.5, 0.5 - 2^-23], built from the bits without an
// integer-to-float conversion. Inline: every pink sample draws at least twice.
inline float nextLcgUniform(PinkNoiseSource& source)
{
    source.lcgState = source.lcgState * 196314165u + 907633515u;
    // Sign 0, exponent of 2, mantissa = top 23 state bits: a float in [2, 4).
    source.conversionWord = (source.lcgState >> 9) | 0x40000000u;
    const float f = std::bit_cast<float>(source.conversionWord);
    return (f - 3.0f) * 0.5f;
}

float PinkNoiseSource::nextPinkSample()
{
    // A counter that has wrapped to 0 counts as 32 trailing zeros, which
    // continues the pattern of 16 to 31 zeros falling back onto rows 0 to 15:
    // it renews row 0.
    const unsigned row = static_cast<unsigned>(std::countr_zero(rowCounter)) % 16;
    const float old = rows[row];
    for (;;) {
        const float renewed = nextLcgUniform(*this);
        rows[row] = renewed;
        const float diff = renewed - old;
        const float sum = runningSum + diff;
        runningSum = sum;
        if (sum >= -4.0f && sum <= 4.0f)
            break;
        // Out of bounds: undo and draw again for the same row.
        runningSum = sum - diff;
    }
    ++rowCounter;
    const float white = nextLcgUniform(*this);
    return (runningSum + white) * 0.125f;
}

class PinkNoiseGenerator : public NoiseGeneratorFrame {
public:
    PinkNoiseGenerator();
    ~PinkNoiseGenerator();
    void configurePink(uint32_t sampleRate, int32_t width, double duration, uint32_t attenuation);
    void fillPinkBlock(int32_t* samples, uint32_t count);
    bool pinkActive() const { return active_; }

    std::unique_ptr<PinkNoiseSource> source;
};
