// The random source of white noise: an order-4 multiply-with-carry generator.
// (Pink noise draws from its own congruential step, in pink_noise.h.)
#pragma once

#include <cstdint>

class MwcRandom {
public:
    MwcRandom();
    void seed(uint32_t value);      // the generators pass the seed time
    uint32_t nextWord();
    double nextUniform();           // [0, 1 - 2^-32]
    void nextGaussianPair(double& first, double& second);  // each in [-1, 1]
    // The same pair in two steps: the words it draws, in order (the first
    // drawn again while it is 0), then the gaussian pair they give.
    void nextPairWords(uint32_t& radiusWord, uint32_t& angleWord);
    // The words of the next pairs, as nextPairWords draws them, two per pair.
    void drawPairWords(uint32_t* words, uint32_t pairs);
    void gaussianPair(uint32_t radiusWord, uint32_t angleWord, double& first, double& second) const
    {
        gaussianPair(radiusWord, angleWord, gaussianNormaliser, first, second);
    }
    static void gaussianPair(uint32_t radiusWord, uint32_t angleWord, double normaliser, double& first,
                             double& second);
    // Its two parts: the radius and the angle a pair's words give; first and
    // second are cos and sin of the angle times the radius over the normaliser.
    static double gaussianRadius(uint32_t radiusWord);
    static double gaussianAngle(uint32_t angleWord);
    double gaussianNormaliser;
    uint32_t x0 = 0, x1 = 0, x2 = 0, x3 = 0, carry = 0;
};
