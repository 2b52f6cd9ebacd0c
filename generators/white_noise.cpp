#include "white_noise.h"

#include <algorithm>
#include <cmath>
#include <new>

double noiseLevel(uint32_t attenuation, int32_t width)
{
    const double a = static_cast<double>(attenuation);
    if (width == 16)
        return attenuation == 0 ? 32767.0 : std::pow(10.0, (90.3087336228339 - a) / 20.0);
    if (width == 24)
        return attenuation == 0 ? 8388607.0 : std::pow(10.0, (138.4737969699925 - a) / 20.0);
    return attenuation == 0 ? 2147483647.0 : std::pow(10.0, (186.6385973076236 - a) / 20.0);
}

bool noiseSampleCount(uint32_t rate, double duration, uint32_t& count)
{
    const double samples = std::floor(static_cast<double>(rate) * duration);
    if (!(samples >= 0.0 && samples < 9.2e18))
        return false;
    count = static_cast<uint32_t>(static_cast<int64_t>(samples));
    return true;
}

uint32_t beginNoiseBlock(uint32_t& remaining, bool& active, int32_t* samples, uint32_t count)
{
    if (remaining > count) {
        remaining -= count;
        return count;
    }
    const uint32_t n = remaining;
    remaining = 0;
    active = false;
    std::fill(samples + n, samples + count, 0);
    return n;
}

WhiteNoiseGenerator::WhiteNoiseGenerator() : source(new (std::nothrow) MwcRandom)
{
    if (source)
        source->seed(0);
}

void WhiteNoiseGenerator::configureWhite(uint32_t rate, int32_t width, double duration,
                                         uint32_t attenuation)
{
    // Without its random source the generator cannot make noise and stays idle.
    if (whiteActive_ || !source)
        return;
    uint32_t count = 0;
    if (!noiseSampleCount(rate, duration, count))
        return;
    sampleRate = rate;
    bitWidth = width;
    sampleScale = noiseLevel(attenuation, width) - 1.0;
    remainingSamples = count + (count & 1);  // samples are made in pairs
    source->seed(0);
    whiteActive_ = true;
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
    const uint32_t n = beginNoiseBlock(remainingSamples, whiteActive_, samples, count);
    for (uint32_t i = 0; i < n; i += 2) {
        double first, second;
        source->nextGaussianPair(first, second);
        samples[i] = whiteSample(first);
        if (i + 1 < n)
            samples[i + 1] = whiteSample(second);
    }
}

void WhiteNoiseGenerator::disarm()
{
    whiteActive_ = false;
    remainingSamples = 0;
}
