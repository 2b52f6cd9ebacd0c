#include "noise_frame.h"

#include <algorithm>

void NoiseGeneratorFrame::disarm()
{
    active_ = false;
    remainingSamples = 0;
}

bool NoiseGeneratorFrame::acceptRequest(uint32_t rate, int32_t width, double duration, uint32_t& count)
{
    if (active_)
        return false;
    if (!noiseSampleCount(rate, duration, count))
        return false;
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
