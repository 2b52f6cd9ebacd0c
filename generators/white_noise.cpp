#include "white_noise.h"

#include <cmath>
#include <new>

WhiteNoiseGenerator::WhiteNoiseGenerator() : source(new (std::nothrow) MwcRandom)
{
    if (source)
        source->seed(0);
}

void WhiteNoiseGenerator::configureWhite(uint32_t rate, int32_t width, double duration,
                                         uint32_t attenuation)
{
    uint32_t count = 0;
    if (!acceptRequest(source != nullptr, rate, width, duration, count))
        return;
    sampleScale = noiseLevel(attenuation, width) - 1.0;
    remainingSamples = count + (count & 1);  // samples are made in pairs
    source->seed(0);
    active_ = true;
}

// Halves rounded away from zero; |g| <= 1 keeps the sample below full scale.
int32_t WhiteNoiseGenerator::whiteSample(double g) const
{
    const double v = g * sampleScale;
    // Halves away from zero: floor(v + 0.5) for g >= 0, ceil(v - 0.5) below.
    // With a positive scale (every attenuation the engine admits) v + 0.5 is
    // then at least 0 and v - 0.5 below 0, where the truncating conversion is
    // that floor and that ceiling, without a library call.
    const double shifted = g >= 0.0 ? v + 0.5 : v - 0.5;
    if (sampleScale < 0.0)
        return reduceToWidth(static_cast<int32_t>(g >= 0.0 ? std::floor(shifted) : std::ceil(shifted)), bitWidth);
    return reduceToWidth(static_cast<int32_t>(shifted), bitWidth);
}

void WhiteNoiseGenerator::fillWhiteBlock(int32_t* samples, uint32_t count)
{
    const uint32_t n = beginBlock(samples, count);
    for (uint32_t i = 0; i < n; i += 2) {
        double first, second;
        source->nextGaussianPair(first, second);
        samples[i] = whiteSample(first);
        if (i + 1 < n)
            samples[i + 1] = whiteSample(second);
    }
}
