#include "mwc_random.h"

#include <cmath>

namespace {
// 2*pi rounded to ten decimals: the gaussian's angle circle.
constexpr double kGaussianCircle = 6.2831853072;
constexpr double kTwoToMinus32 = 2.3283064365386963e-10;
}  // namespace

// The normaliser is the radius of the smallest nonzero uniform, 2^-32, so no
// gaussian output exceeds 1 in magnitude.
MwcRandom::MwcRandom()
    : gaussianNormaliser(std::sqrt(std::log(kTwoToMinus32) * -2.0) * std::cos(kGaussianCircle))
{
}

void MwcRandom::seed(uint32_t value)
{
    uint32_t* const words[] = {&x0, &x1, &x2, &x3, &carry};
    for (uint32_t* word : words) {
        value = value * 29943829u - 1u;
        *word = value;
    }
    for (int i = 0; i < 19; ++i)
        nextWord();
}

uint32_t MwcRandom::nextWord()
{
    const uint64_t sum = 2111111111ull * x3 + 1492ull * x2 + 1776ull * x1 + 5115ull * x0 + carry;
    x3 = x2;
    x2 = x1;
    x1 = x0;
    carry = static_cast<uint32_t>(sum >> 32);
    x0 = static_cast<uint32_t>(sum);
    return x0;
}

double MwcRandom::nextUniform()
{
    return static_cast<double>(nextWord()) * kTwoToMinus32;
}

void MwcRandom::nextGaussianPair(double& first, double& second)
{
    uint32_t radiusWord, angleWord;
    nextPairWords(radiusWord, angleWord);
    gaussianPair(radiusWord, angleWord, first, second);
}

void MwcRandom::nextPairWords(uint32_t& radiusWord, uint32_t& angleWord)
{
    radiusWord = nextWord();
    while (radiusWord == 0)  // the uniform would be 0, whose log is unbounded
        radiusWord = nextWord();
    angleWord = nextWord();
}

// nextPairWords over a local copy of the state, which the stores to words
// cannot alias, so that it stays in registers.
void MwcRandom::drawPairWords(uint32_t* words, uint32_t pairs)
{
    MwcRandom state = *this;
    for (uint32_t p = 0; p < pairs; ++p) {
        uint32_t radius = state.nextWord();
        while (radius == 0)
            radius = state.nextWord();
        words[2 * p] = radius;
        words[2 * p + 1] = state.nextWord();
    }
    *this = state;
}

void MwcRandom::gaussianPair(uint32_t radiusWord, uint32_t angleWord, double normaliser, double& first,
                             double& second)
{
    const double r = gaussianRadius(radiusWord);
    const double theta = gaussianAngle(angleWord);
    first = std::cos(theta) * r / normaliser;
    second = std::sin(theta) * r / normaliser;
}

double MwcRandom::gaussianRadius(uint32_t radiusWord)
{
    const double u1 = static_cast<double>(radiusWord) * kTwoToMinus32;
    return std::sqrt(std::log(u1) * -2.0);
}

double MwcRandom::gaussianAngle(uint32_t angleWord)
{
    return static_cast<double>(angleWord) * kTwoToMinus32 * kGaussianCircle;
}
