#include "white_noise.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

WhiteNoiseGenerator::WhiteNoiseGenerator()
    : source(new (std::nothrow) MwcRandom),
      words_(new (std::nothrow) uint32_t[2 * kAheadPairs]),
      ahead_(new (std::nothrow) int32_t[2 * kAheadPairs])
{
    if (source)
        source->seed(0);
}

void WhiteNoiseGenerator::configureWhite(uint32_t rate, int32_t width, double duration,
                                         uint32_t attenuation)
{
    uint32_t count = 0;
    if (!acceptRequest(source != nullptr && words_ && ahead_, rate, width, duration, count))
        return;
    sampleScale = noiseLevel(attenuation, width) - 1.0;
    remainingSamples = count + (count & 1);  // samples are made in pairs
    undrawnPairs_ = remainingSamples / 2;
    aheadNext_ = aheadEnd_ = 0;
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

void WhiteNoiseGenerator::transform(void* self, uint32_t begin, uint32_t end)
{
    auto& g = *static_cast<WhiteNoiseGenerator*>(self);
    for (uint32_t p = begin; p < end; ++p) {
        double first, second;
        g.source->gaussianPair(g.words_[2 * p], g.words_[2 * p + 1], first, second);
        g.ahead_[2 * p] = g.whiteSample(first);
        g.ahead_[2 * p + 1] = g.whiteSample(second);
    }
}

void WhiteNoiseGenerator::makeAhead()
{
    // Blocks of an odd count end on half a pair, whose other half is never
    // used: such a signal may need one pair more than its samples say.
    const uint32_t pairs = undrawnPairs_ == 0 ? 1 : undrawnPairs_ < kAheadPairs ? undrawnPairs_ : kAheadPairs;
    undrawnPairs_ -= undrawnPairs_ < pairs ? undrawnPairs_ : pairs;
    for (uint32_t p = 0; p < pairs; ++p)
        source->nextPairWords(words_[2 * p], words_[2 * p + 1]);
    if (runner_)
        runner_->run(pairs, transform, this);
    else
        transform(this, 0, pairs);
    aheadNext_ = 0;
    aheadEnd_ = 2 * pairs;
}

void WhiteNoiseGenerator::fillWhiteBlock(int32_t* samples, uint32_t count)
{
    const uint32_t n = beginBlock(samples, count);
    for (uint32_t i = 0; i < n;) {
        if (aheadNext_ == aheadEnd_)
            makeAhead();
        const uint32_t take = std::min(n - i, aheadEnd_ - aheadNext_);
        std::memcpy(samples + i, ahead_.get() + aheadNext_, sizeof(int32_t) * take);
        i += take;
        aheadNext_ += take;
    }
    aheadNext_ += n & 1;  // the unused half of the block's last pair
}
