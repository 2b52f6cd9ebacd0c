#include "plain_noise.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "level_table.h"
#include "seed_clock.h"

void PlainWhiteNoise::configure(uint32_t rate, int32_t width, double duration, uint32_t attenuation)
{
    uint32_t count = 0;
    if (!acceptRequest(true, rate, width, duration, count))
        return;
    sampleScale = noiseLevel(attenuation, width) - 1.0;
    remainingSamples = count + (count & 1);  // samples are made in pairs
    source.seed(0);
    active_ = true;
}

void PlainWhiteNoise::fillBlock(int32_t* samples, uint32_t count)
{
    const uint32_t n = beginBlock(samples, count);
    // Halves rounded away from zero, by the sign of the gaussian value.
    const auto sample = [this](double g) {
        const double v = g * sampleScale;
        return reduceToWidth(static_cast<int32_t>(g >= 0.0 ? std::floor(v + 0.5) : std::ceil(v - 0.5)), bitWidth);
    };
    // One pair per two samples: the cosine's first; an odd block drops the sine's.
    for (uint32_t i = 0; i < n; i += 2) {
        double first, second;
        source.nextGaussianPair(first, second);
        samples[i] = sample(first);
        if (i + 1 < n)
            samples[i + 1] = sample(second);
    }
}

void PlainPinkNoise::configure(uint32_t rate, int32_t width, double duration, uint32_t attenuation)
{
    uint32_t count = 0;
    if (!acceptRequest(true, rate, width, duration, count))
        return;
    // 1/0.56245: the output's peak of 0.5625 maps to just above the level.
    sampleScale = noiseLevel(attenuation, width) * 1.777935816517;
    remainingSamples = count;
    source.lcgState = seedTimeNow();  // only the random word restarts
    active_ = true;
}

// One row renewed, drawn again while the running sum would leave [-4, 4],
// plus a fresh white value, all in single precision.
float PinkNoiseSource::nextPinkSample()
{
    // A counter that has wrapped to 0 counts as 32 trailing zeros, which
    // renews row 0 like 16 trailing zeros do.
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
        runningSum = sum - diff;  // out of bounds: draw again for the same row
    }
    ++rowCounter;
    const float white = nextLcgUniform(*this);
    return (runningSum + white) * 0.125f;
}

void PlainPinkNoise::fillBlock(int32_t* samples, uint32_t count)
{
    const uint32_t n = beginBlock(samples, count);
    // At 0 dB a sample can pass full scale by a few units; it is clipped
    // there, since keeping the width's low bits would flip its sign.
    const double fullScale = noiseLevel(0, bitWidth);
    for (uint32_t i = 0; i < n; ++i) {
        const double v = static_cast<double>(source.nextPinkSample()) * sampleScale;
        samples[i] = reduceToWidth(static_cast<int32_t>(std::clamp(v, -fullScale, fullScale)), bitWidth);
    }
}
