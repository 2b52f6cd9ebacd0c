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
    const double rounded = g >= 0.0 ? std::floor(v + 0.5) : std::ceil(v - 0.5);
    return reduceToWidth(static_cast<int32_t>(rounded), bitWidth);
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
