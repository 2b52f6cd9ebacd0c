// Random sources of the noise generators: an order-4 multiply-with-carry
// generator (white noise) and the 32-bit congruential step of pink noise.
#pragma once

#include <cstdint>

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

struct PinkNoiseSource;

// Advances the pink source's congruential state one step and answers its top
// 23 bits as a float in [-0.5, 0.5 - 2^-23], built from the bits without an
// integer-to-float conversion.
float nextLcgUniform(PinkNoiseSource& source);
