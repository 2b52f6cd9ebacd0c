#include "noise_frame.h"

#include <algorithm>
#include <cmath>

double noiseLevel(uint32_t attenuation, int32_t width)
{
    const double a = static_cast<double>(attenuation);
    if (width == 16)
        return attenuation == 0 ? 32767.0 : std::pow(10.0, (90.3087336228339 - a) / 20.0);
    if (width == 24)
        return attenuation == 0 ? 8388607.0 : std::pow(10.0, (138.4737969699925 - a) / 20.0);
    return attenuation == 0 ? 2147483647.0 : std::pow(10.0, (186.6385973076236 - a) / 20.0);
}

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
