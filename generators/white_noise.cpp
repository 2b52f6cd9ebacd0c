#include "white_noise.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "quick_sine.h"
#include "seed_clock.h"

WhiteNoiseGenerator::WhiteNoiseGenerator() : source(new (std::nothrow) MwcRandom)
{
    for (Chunk& chunk : chunks_) {
        chunk.words.reset(new (std::nothrow) uint32_t[2 * kAheadPairs]);
        chunk.samples.reset(new (std::nothrow) int32_t[2 * kAheadPairs]);
    }
    if (source)
        source->seed(seedTimeNow());
}

WhiteNoiseGenerator::~WhiteNoiseGenerator()
{
    settleChunks();
}

void WhiteNoiseGenerator::setRangeRunner(RangeRunner* runner)
{
    settleChunks();
    pipeline_.setRunner(runner);
}

void WhiteNoiseGenerator::disarm()
{
    settleChunks();
    NoiseGeneratorFrame::disarm();
}

bool WhiteNoiseGenerator::configureWhite(uint32_t rate, int32_t width, double duration,
                                         uint32_t attenuation)
{
    uint32_t count = 0;
    bool buffers = true;
    for (const Chunk& chunk : chunks_)
        buffers = buffers && chunk.words && chunk.samples;
    if (!source || !buffers)
        return false;
    if (!acceptRequest(rate, width, duration, count))
        return true;
    settleChunks();
    sampleScale = noiseLevel(attenuation, width) - 1.0;
    remainingSamples = count + (count & 1);  // samples are made in pairs
    undrawnPairs_ = remainingSamples / 2;
    source->seed(seedTimeNow());
    active_ = true;
    return true;
}

// Halves rounded away from zero (roundHalfAway); |g| <= 1 keeps the sample
// below full scale. With a positive scale (every attenuation the engine
// admits) the shifted value is at least 0 for g >= 0 and below 0 otherwise,
// where the truncating conversion is that floor and that ceiling, without a
// library call.
int32_t WhiteNoiseGenerator::whiteSample(double g, double scale, int32_t width)
{
    const double v = g * scale;
    if (scale < 0.0)
        return reduceToWidth(roundHalfAway(g, v), width);
    return reduceToWidth(static_cast<int32_t>(halfAwayShifted(g, v)), width);
}

void WhiteNoiseGenerator::transform(void* chunk, uint32_t begin, uint32_t end)
{
    Chunk& c = *static_cast<Chunk*>(chunk);
    const auto exactPair = [&c](uint32_t p) {
        double first, second;
        MwcRandom::gaussianPair(c.words[2 * p], c.words[2 * p + 1], c.normaliser, first, second);
        c.samples[2 * p] = whiteSample(first, c.scale, c.width);
        c.samples[2 * p + 1] = whiteSample(second, c.scale, c.width);
    };
    if (!(c.scale > 0.0 && c.normaliser > 0.0)) {
        for (uint32_t p = begin; p < end; ++p)
            exactPair(p);
        return;
    }
    // The angles' sines and cosines a group at a time, quick; a pair whose
    // samples they cannot settle is made with the library's.
    constexpr uint32_t kGroup = 128;
    double radii[kGroup], angles[kGroup];
    int32_t firsts[kGroup], seconds[kGroup];
    bool settled[kGroup];
    for (uint32_t at = begin; at < end; at += kGroup) {
        const uint32_t m = std::min(kGroup, end - at);
        for (uint32_t j = 0; j < m; ++j) {
            radii[j] = MwcRandom::gaussianRadius(c.words[2 * (at + j)]);
            angles[j] = MwcRandom::gaussianAngle(c.words[2 * (at + j) + 1]);
        }
        gaussianSamples(angles, radii, m, c.normaliser, c.scale, firsts, seconds, settled);
        for (uint32_t j = 0; j < m; ++j) {
            if (settled[j]) {
                c.samples[2 * (at + j)] = reduceToWidth(firsts[j], c.width);
                c.samples[2 * (at + j) + 1] = reduceToWidth(seconds[j], c.width);
            } else {
                exactPair(at + j);
            }
        }
    }
}

void WhiteNoiseGenerator::draw(Chunk& chunk)
{
    // Blocks of an odd count end on half a pair, whose other half is never
    // used: such a signal may need one pair more than its samples say.
    const uint32_t pairs = undrawnPairs_ == 0 ? 1 : undrawnPairs_ < kAheadPairs ? undrawnPairs_ : kAheadPairs;
    undrawnPairs_ -= undrawnPairs_ < pairs ? undrawnPairs_ : pairs;
    source->drawPairWords(chunk.words.get(), pairs);
    chunk.wordPairs = pairs;
    chunk.scale = sampleScale;
    chunk.width = bitWidth;
    chunk.normaliser = source->gaussianNormaliser;
    chunk.drawn = true;
}

// A chunk to be served next always gets words: a signal whose blocks end on
// half pairs may need one pair more than its samples say.
bool WhiteNoiseGenerator::prepare(int k, bool needed)
{
    Chunk& chunk = chunks_[k];
    if (!chunk.drawn && (needed || undrawnPairs_ > 0))
        draw(chunk);
    return chunk.drawn;
}

RangeRunner::Piece WhiteNoiseGenerator::claim(int k, uint32_t& count, void*& context)
{
    Chunk& chunk = chunks_[k];
    chunk.samplePairs = chunk.wordPairs;
    chunk.drawn = false;
    count = chunk.samplePairs;
    context = &chunk;
    return transform;
}

// Waits for a chunk still being transformed and forgets what is left.
void WhiteNoiseGenerator::settleChunks()
{
    pipeline_.settle();
    for (Chunk& chunk : chunks_)
        chunk.drawn = false;
    aheadNext_ = aheadEnd_ = 0;
}

void WhiteNoiseGenerator::fillWhiteBlock(int32_t* samples, uint32_t count)
{
    const uint32_t n = beginBlock(samples, count);
    for (uint32_t i = 0; i < n;) {
        if (aheadNext_ == aheadEnd_) {
            pipeline_.take();  // never short of a chunk: one is drawn when needed
            aheadNext_ = 0;
            aheadEnd_ = 2 * chunks_[pipeline_.serving()].samplePairs;
        }
        const uint32_t take = std::min(n - i, aheadEnd_ - aheadNext_);
        std::memcpy(samples + i, chunks_[pipeline_.serving()].samples.get() + aheadNext_, sizeof(int32_t) * take);
        i += take;
        aheadNext_ += take;
    }
    aheadNext_ += n & 1;  // the unused half of the block's last pair
}
