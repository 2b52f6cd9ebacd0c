// Random sources of the noise generators: an order-4 multiply-with-carry
// generator (white noise) and the 32-bit congruential step of pink noise.
#pragma once

#include <bit>
#include <cstdint>

#include "pink_noise.h"

class MwcRandom {
public:
    MwcRandom();
    void seed(uint32_t value);      // 0 selects the seed time
    uint32_t nextWord();
    double nextUniform();           // [0, 1 - 2^-32]
    void nextGaussianPair(double& first, double& second);  // each in [-1, 1]
    double gaussianNormaliser;
    uint32_t x0 = 0, x1 = 0, x2 = 0, x3 = 0, carry = 0;
};

// Advances the pink source's congruential state one step and answers its top
// 23 bits as a float in [-0.5, 0.5 - 2^-23], built from the bits without an
// integer-to-float conversion. Defined here so that the pink noise loop,
// which draws twice per sample, has it inline.
inline float nextLcgUniform(PinkNoiseSource& source)
{
    source.lcgState = source.lcgState * 196314165u + 907633515u;
    // Sign 0, exponent of 2, mantissa = top 23 state bits: a float in [2, 4).
    source.conversionWord = (source.lcgState >> 9) | 0x40000000u;
    const float f = std::bit_cast<float>(source.conversionWord);
    return (f - 3.0f) * 0.5f;
}
