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

// The congruential step, and two steps taken as one (mod 2^32).
inline constexpr uint32_t kLcgMultiplier = 196314165u;
inline constexpr uint32_t kLcgIncrement = 907633515u;
inline constexpr uint32_t kLcgMultiplier2 = kLcgMultiplier * kLcgMultiplier;
inline constexpr uint32_t kLcgIncrement2 = kLcgMultiplier * kLcgIncrement + kLcgIncrement;

// The top 23 bits of a congruential state as a float in [-0.5, 0.5 - 2^-23],
// built from the bits without an integer-to-float conversion: sign 0,
// exponent of 2 and the bits as mantissa make a float in [2, 4).
inline float lcgUniformOf(uint32_t state)
{
    const float f = std::bit_cast<float>((state >> 9) | 0x40000000u);
    return (f - 3.0f) * 0.5f;
}

// Advances the source's congruential state one step and answers its value.
// Inline: every pink sample draws at least twice.
inline float nextLcgUniform(PinkNoiseSource& source)
{
    source.lcgState = source.lcgState * kLcgMultiplier + kLcgIncrement;
    source.conversionWord = (source.lcgState >> 9) | 0x40000000u;
    return lcgUniformOf(source.lcgState);
}

float PinkNoiseSource::nextPinkSample()
{
    // A counter that has wrapped to 0 counts as 32 trailing zeros, which
    // continues the pattern of 16 to 31 zeros falling back onto rows 0 to 15:
    // it renews row 0.
    const unsigned row = static_cast<unsigned>(std::countr_zero(rowCounter)) % 16;
    const float old = rows[row];
    // The row's draw is the next state, the white value's the one after. Both
    // are stepped from the current state, the second by the double step, so
    // that neither waits on the other; a drawn-again row steps them on.
    uint32_t word = lcgState * kLcgMultiplier + kLcgIncrement;
    uint32_t whiteWord = lcgState * kLcgMultiplier2 + kLcgIncrement2;
    for (;;) {
        const float renewed = lcgUniformOf(word);
        rows[row] = renewed;
        const float diff = renewed - old;
        const float sum = runningSum + diff;
        runningSum = sum;
        if (sum >= -4.0f && sum <= 4.0f)
            break;
        // Out of bounds: undo and draw again for the same row.
        runningSum = sum - diff;
        word = whiteWord;
        whiteWord = word * kLcgMultiplier + kLcgIncrement;
    }
    ++rowCounter;
    lcgState = whiteWord;
    conversionWord = (whiteWord >> 9) | 0x40000000u;
    return (runningSum + lcgUniformOf(whiteWord)) * 0.125f;
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
