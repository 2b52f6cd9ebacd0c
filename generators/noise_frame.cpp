#include "noise_frame.h"

#include <algorithm>
#include <cmath>

void NoiseGeneratorFrame::disarm()
{
    active_ = false;
    remainingSamples = 0;
}

bool NoiseGeneratorFrame::acceptRequest(bool hasSource, uint32_t rate, int32_t width,
                                        double duration, uint32_t& count)
{
    if (active_ || !hasSource)
        return false;
    const double samples = std::floor(static_cast<double>(rate) * duration);
    if (!(samples >= 0.0 && samples < 9.2e18))
        return false;
    count = static_cast<uint32_t>(static_cast<int64_t>(samples));
    sampleRate = rate;
    bitWidth = width;
    return true;
}

uint32_t NoiseGeneratorFrame::beginBlock(int32_t* samples, uint32_t count)
{
    if (remainingSamples > count) {
        remainingSamples -= count;
        return count;
    }
    const uint32_t n = remainingSamples;
    remainingSamples = 0;
    active_ = false;
    std::fill(samples + n, samples + count, 0);
    return n;
}
