#include "pink_noise.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "seed_clock.h"

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

namespace {

// The samples of one block. The state is a local copy, so that the compiler
// can keep it in registers: the int32_t samples could otherwise alias its
// unsigned words. At 0 dB a sample can pass full scale by a few units; it is
// clipped there, since reducing it to the width's low bits would flip its sign.
template <bool Sixteen>
void fillPink(PinkNoiseSource& state, int32_t* samples, uint32_t n, double scale, double fullScale)
{
    for (uint32_t i = 0; i < n; ++i) {
        const double v = static_cast<double>(state.nextPinkSample()) * scale;
        // fullScale is a whole number, so clipping before the truncating
        // conversion gives what truncating first would.
        const auto sample = static_cast<int32_t>(std::clamp(v, -fullScale, fullScale));
        samples[i] = Sixteen ? static_cast<int16_t>(sample) : sample;
    }
}

}  // namespace

void PinkNoiseGenerator::fillPinkBlock(int32_t* samples, uint32_t count)
{
    const uint32_t n = beginBlock(samples, count);
    PinkNoiseSource state = *source;
    if (bitWidth == 16)
        fillPink<true>(state, samples, n, sampleScale, noiseLevel(0, bitWidth));
    else
        fillPink<false>(state, samples, n, sampleScale, noiseLevel(0, bitWidth));
    *source = state;
}
