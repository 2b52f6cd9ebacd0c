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

    // Next pink value in [-0.5625, 0.5625), by the rule alone (the plain
    // definition, in plain/plain_noise.cpp); the block fill makes the same
    // values faster.
    float nextPinkSample();
};

// The congruential step (mod 2^32).
inline constexpr uint32_t kLcgMultiplier = 196314165u;
inline constexpr uint32_t kLcgIncrement = 907633515u;

// The top 23 bits of a congruential state under sign 0 and the exponent of
// 2: the bits of a float in [2, 4). A template so that lanes of states take
// the same rule.
// Always inlined, so that the vector lanes' form never passes a vector
// across a call and the warning about such calls does not apply.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"
template <typename Word>
__attribute__((always_inline)) inline Word conversionWordOf(Word state)
{
    return (state >> 9) | 0x40000000u;
}
#pragma GCC diagnostic pop

// That float less 3, halved: a value in [-0.5, 0.5 - 2^-23], built from the
// bits without an integer-to-float conversion.
inline float lcgUniformOf(uint32_t state)
{
    return (std::bit_cast<float>(conversionWordOf(state)) - 3.0f) * 0.5f;
}

// Advances the source's congruential state one step and answers its value.
inline float nextLcgUniform(PinkNoiseSource& source)
{
    source.lcgState = source.lcgState * kLcgMultiplier + kLcgIncrement;
    source.conversionWord = conversionWordOf(source.lcgState);
    return lcgUniformOf(source.lcgState);
}

class PinkNoiseGenerator : public NoiseGeneratorFrame {
public:
    PinkNoiseGenerator();
    ~PinkNoiseGenerator();
    // False when there is no memory for the source (nothing is armed).
    bool configurePink(uint32_t sampleRate, int32_t width, double duration, uint32_t attenuation);
    void fillPinkBlock(int32_t* samples, uint32_t count);
    bool pinkActive() const { return active_; }

    std::unique_ptr<PinkNoiseSource> source;
};
