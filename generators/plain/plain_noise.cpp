#include "plain_noise.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "level_table.h"
#include "mwc_random.h"
#include "noise_rules.h"

std::vector<int32_t> plainWhiteNoise(uint32_t rate, double duration, uint32_t attenuation, int32_t width,
                                     uint32_t seedTime, uint32_t blockSize)
{
    uint32_t count = 0;
    if (!noiseSampleCount(rate, duration, count))
        return {};
    const double scale = noiseLevel(attenuation, width) - 1.0;
    MwcRandom source;
    source.seed(seedTime);
    uint32_t left = count + (count & 1);  // samples are made in pairs
    std::vector<int32_t> out;
    while (left > 0) {
        const uint32_t n = std::min(left, blockSize);
        left -= n;
        for (uint32_t i = 0; i < n; i += 2) {
            double first, second;
            source.nextGaussianPair(first, second);
            out.push_back(reduceToWidth(roundHalfAway(first, first * scale), width));
            if (i + 1 < n)
                out.push_back(reduceToWidth(roundHalfAway(second, second * scale), width));
        }
    }
    out.resize(std::max<size_t>(1, (out.size() + blockSize - 1) / blockSize) * blockSize, 0);
    return out;
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

std::vector<int32_t> plainPinkNoise(PinkNoiseSource& source, uint32_t rate, double duration, uint32_t attenuation,
                                    int32_t width, uint32_t seedTime, uint32_t blockSize)
{
    uint32_t count = 0;
    if (!noiseSampleCount(rate, duration, count))
        return {};
    // 1/0.56245: the output's peak of 0.5625 maps to just above the level.
    const double scale = noiseLevel(attenuation, width) * 1.777935816517;
    source.lcgState = seedTime;
    // At 0 dB a sample can pass full scale by a few units; it is clipped
    // there, since keeping the width's low bits would flip its sign.
    const double fullScale = noiseLevel(0, width);
    std::vector<int32_t> out(std::max<size_t>(1, (count + blockSize - 1) / blockSize) * blockSize, 0);
    for (uint32_t i = 0; i < count; ++i) {
        const double v = static_cast<double>(source.nextPinkSample()) * scale;
        out[i] = reduceToWidth(static_cast<int32_t>(std::clamp(v, -fullScale, fullScale)), width);
    }
    return out;
}
