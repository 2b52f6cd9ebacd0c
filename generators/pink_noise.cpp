#include "pink_noise.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "seed_clock.h"

float PinkNoiseSource::nextPinkSample()
{
    // A counter that has wrapped to 0 counts as 32 trailing zeros, which
    // continues the pattern of 16 to 31 zeros falling back onto rows 0 to 15:
    // it renews row 0.
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
        // Out of bounds: undo and draw again for the same row.
        runningSum = sum - diff;
    }
    ++rowCounter;
    const float white = nextLcgUniform(*this);
    return (runningSum + white) * 0.125f;
}

PinkNoiseGenerator::PinkNoiseGenerator() : source(new (std::nothrow) PinkNoiseSource)
{
    if (source)
        source->lcgState = seedTimeNow();
}

PinkNoiseGenerator::~PinkNoiseGenerator() = default;

void PinkNoiseGenerator::configurePink(uint32_t rate, int32_t width, double duration,
                                       uint32_t attenuation)
{
    uint32_t count = 0;
    if (!acceptRequest(source != nullptr, rate, width, duration, count))
        return;
    // 1/0.56245: the output's peak of 0.5625 maps to just above the level.
    sampleScale = noiseLevel(attenuation, width) * 1.777935816517;
    remainingSamples = count;
    // Only the random word restarts; rows, sum and counter carry over.
    source->lcgState = seedTimeNow();
    active_ = true;
}

void PinkNoiseGenerator::fillPinkBlock(int32_t* samples, uint32_t count)
{
    const uint32_t n = beginBlock(samples, count);
    // At 0 dB a sample can pass full scale by a few units; it is clipped there,
    // since reducing it to the width's low bits would flip its sign.
    const double fullScale = noiseLevel(0, bitWidth);
    for (uint32_t i = 0; i < n; ++i) {
        const double v = static_cast<double>(source->nextPinkSample()) * sampleScale;
        const double truncated = std::clamp(std::trunc(v), -fullScale, fullScale);
        samples[i] = reduceToWidth(static_cast<int32_t>(truncated), bitWidth);
    }
}
