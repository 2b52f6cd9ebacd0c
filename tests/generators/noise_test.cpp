#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "mwc_random.h"
#include "pink_noise.h"
#include "seed_clock.h"
#include "white_noise.h"

namespace {

// Pins the seed time for one test and returns to the clock afterwards.
struct PinnedSeedTime {
    explicit PinnedSeedTime(int64_t seconds) { setSeedTime(seconds); }
    ~PinnedSeedTime() { setSeedTime(std::nullopt); }
};

template <class Generator, class Fill>
std::vector<std::vector<int32_t>> renderBlocks(Generator& gen, bool (Generator::*active)() const, Fill fill)
{
    std::vector<std::vector<int32_t>> blocks;
    while ((gen.*active)()) {
        blocks.emplace_back(512, 77);
        (gen.*fill)(blocks.back().data(), 512);
    }
    return blocks;
}

auto renderWhite(WhiteNoiseGenerator& gen)
{
    return renderBlocks(gen, &WhiteNoiseGenerator::whiteActive, &WhiteNoiseGenerator::fillWhiteBlock);
}

auto renderPink(PinkNoiseGenerator& gen)
{
    return renderBlocks(gen, &PinkNoiseGenerator::pinkActive, &PinkNoiseGenerator::fillPinkBlock);
}

}  // namespace

TEST(RandomSources, KnownSequences)
{
    MwcRandom mwc;
    EXPECT_EQ(mwc.gaussianNormaliser, 6.6604368892615815);
    mwc.seed(305419896);
    EXPECT_EQ(mwc.nextWord(), 2950648428u);
    EXPECT_EQ(mwc.nextWord(), 801548103u);
    EXPECT_EQ(mwc.nextWord(), 3979313621u);

    PinkNoiseSource pink;
    pink.lcgState = 1;
    EXPECT_EQ(nextLcgUniform(pink), -0.24296724796295166f);
    EXPECT_EQ(pink.lcgState, 1103947680u);
    nextLcgUniform(pink);
    EXPECT_EQ(pink.lcgState, 1372837771u);
    nextLcgUniform(pink);
    EXPECT_EQ(pink.lcgState, 290041650u);
}

TEST(RandomSources, UniformAndGaussianStayInRange)
{
    MwcRandom mwc;
    // A state whose next word is 2^32 - 1: the largest uniform stays below 1.
    mwc.x0 = mwc.x1 = mwc.x2 = mwc.x3 = 0;
    mwc.carry = 0xFFFFFFFFu;
    EXPECT_EQ(mwc.nextUniform(), 1.0 - 0x1p-32);
    // The word 1 gives the largest radius, and the output stays within 1.
    mwc.x0 = mwc.x1 = mwc.x2 = mwc.x3 = 0;
    mwc.carry = 1;  // next words: 1, then 5115
    double first, second;
    mwc.nextGaussianPair(first, second);
    EXPECT_LE(std::fabs(first), 1.0);
    EXPECT_GT(first, 0.9999);
    // A zero word (1776 * 2^28 = 111 * 2^32) is drawn again: no logarithm of 0.
    mwc.x0 = mwc.x2 = mwc.x3 = mwc.carry = 0;
    mwc.x1 = 1u << 28;
    mwc.nextGaussianPair(first, second);
    EXPECT_TRUE(std::isfinite(first) && std::isfinite(second));

    mwc.seed(42);
    for (int i = 0; i < 200000; ++i) {
        mwc.nextGaussianPair(first, second);
        ASSERT_LE(std::fabs(first), 1.0);
        ASSERT_LE(std::fabs(second), 1.0);
    }
}

TEST(WhiteNoise, SampleCountsPaddingAndLevels)
{
    PinnedSeedTime pinned(1700000000);
    WhiteNoiseGenerator gen;
    gen.configureWhite(44100, 16, 0.25, 0);
    EXPECT_EQ(gen.remainingSamples, 11026u);  // odd count made even
    gen.disarm();

    gen.configureWhite(44100, 16, 0.1, 0);
    gen.configureWhite(48000, 24, 2.0, 0);  // ignored while active
    const auto blocks = renderWhite(gen);
    ASSERT_EQ(blocks.size(), 9u);
    for (size_t i = 314; i < 512; ++i)
        ASSERT_EQ(blocks[8][i], 0);
    int32_t peak = 0;
    for (const auto& block : blocks)
        for (int32_t v : block)
            peak = std::max(peak, std::abs(v));
    EXPECT_LE(peak, 32766);
    EXPECT_GT(peak, 10000);

    // Same seed time, same samples.
    WhiteNoiseGenerator again;
    again.configureWhite(44100, 16, 0.1, 0);
    EXPECT_EQ(renderWhite(again), blocks);

    gen.configureWhite(51200, 24, 0.01, 0);  // exactly one block
    EXPECT_EQ(renderWhite(gen).size(), 1u);

    gen.configureWhite(44100, 16, 1.0, 87);
    for (const auto& block : renderWhite(gen))
        for (int32_t v : block)
            ASSERT_EQ(v, 0);
    EXPECT_NEAR(noiseLevel(20, 16), 3276.7, 0.01);
}

TEST(PinkNoise, RowRenewalOrderAndBounds)
{
    PinkNoiseSource source;
    source.lcgState = 12345;
    std::vector<int> renewed;
    for (int i = 0; i < 8; ++i) {
        float before[16];
        std::copy(source.rows, source.rows + 16, before);
        source.nextPinkSample();
        for (int k = 0; k < 16; ++k)
            if (source.rows[k] != before[k])
                renewed.push_back(k);
    }
    EXPECT_EQ(renewed, (std::vector<int>{0, 1, 0, 2, 0, 1, 0, 3}));

    // Counter 65536 (16 trailing zeros) and a wrapped counter of 0 both renew row 0.
    for (uint32_t counter : {65536u, 0u}) {
        source.rowCounter = counter;
        const float row1 = source.rows[1], row0 = source.rows[0];
        source.nextPinkSample();
        EXPECT_NE(source.rows[0], row0);
        EXPECT_EQ(source.rows[1], row1);
        EXPECT_EQ(source.rowCounter, counter + 1);
    }

    // Start at the upper bound, so that renewals are refused and retried.
    std::fill(source.rows, source.rows + 16, 0.25f);
    source.runningSum = 4.0f;
    for (int i = 0; i < 2000000; ++i) {
        const float p = source.nextPinkSample();
        ASSERT_GE(source.runningSum, -4.0f);
        ASSERT_LE(source.runningSum, 4.0f);
        ASSERT_GE(p, -0.5625f);
        ASSERT_LT(p, 0.5625f);
    }
    float rows = 0.0f;
    for (float row : source.rows)
        rows += row;
    EXPECT_NEAR(rows, source.runningSum, 1e-4);  // a refused value is not kept
}

TEST(PinkNoise, CountsCarriedStateAndLevels)
{
    PinnedSeedTime pinned(1700000000);
    PinkNoiseGenerator gen, fresh;
    gen.configurePink(44100, 24, 0.25, 0);
    EXPECT_EQ(gen.remainingSamples, 11025u);  // not made even
    const auto first = renderPink(gen);
    ASSERT_EQ(first.size(), 22u);
    for (size_t i = 11025 - 21 * 512; i < 512; ++i)
        ASSERT_EQ(first.back()[i], 0);

    // The rows carry over: the same seed time gives another render, while a
    // fresh generator repeats the first one.
    gen.configurePink(44100, 24, 0.25, 0);
    EXPECT_NE(renderPink(gen), first);
    fresh.configurePink(44100, 24, 0.25, 0);
    EXPECT_EQ(renderPink(fresh), first);

    gen.configurePink(44100, 16, 0.5, 90);  // scale 1.84: only the extremes reach +-1
    for (const auto& block : renderPink(gen))
        for (int32_t v : block)
            ASSERT_LE(std::abs(v), 1);
}

TEST(PinkNoise, SamplesBeyondFullScaleAreClipped)
{
    // Find a random state whose next sample, from a running sum at its bound,
    // lies beyond full scale.
    PinkNoiseSource probe;
    uint32_t state = 0;
    for (;; ++state) {
        std::fill(probe.rows, probe.rows + 16, 0.25f);
        probe.runningSum = 4.0f;
        probe.rowCounter = 1;
        probe.lcgState = state;
        if (probe.nextPinkSample() > 0.56249f)
            break;
    }
    PinnedSeedTime pinned(state);
    for (int32_t width : {16, 24, 32}) {
        PinkNoiseGenerator gen;
        std::fill(gen.source->rows, gen.source->rows + 16, 0.25f);
        gen.source->runningSum = 4.0f;
        gen.configurePink(44100, width, 1.0, 0);
        std::vector<int32_t> block(512);
        gen.fillPinkBlock(block.data(), 512);
        EXPECT_EQ(block[0], int32_t(noiseLevel(0, width))) << width;
    }
}
