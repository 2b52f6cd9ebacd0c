#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <vector>

#include "mwc_random.h"
#include "pink_noise.h"
#include "pinned_seed_time.h"
#include "white_noise.h"

namespace {

// Rows and running sum at their upper bound, so that renewals are refused
// and drawn again.
void atUpperBound(PinkNoiseSource& source)
{
    std::fill(source.rows, source.rows + 16, 0.25f);
    source.runningSum = 4.0f;
}

}  // namespace

TEST(RandomSources, KnownSequencesAndRanges)
{
    MwcRandom mwc;
    mwc.seed(305419896);
    EXPECT_EQ((std::vector{mwc.nextWord(), mwc.nextWord(), mwc.nextWord()}),
              (std::vector{2950648428u, 801548103u, 3979313621u}));
    PinkNoiseSource pink;
    pink.lcgState = 1;
    EXPECT_EQ(nextLcgUniform(pink), -0.24296724796295166f);
    EXPECT_EQ(pink.lcgState, 1103947680u);

    mwc.x0 = mwc.x1 = mwc.x2 = mwc.x3 = 0;
    mwc.carry = 0xFFFFFFFFu;  // next word 2^32 - 1: the largest uniform
    EXPECT_EQ(mwc.nextUniform(), 1.0 - 0x1p-32);
    mwc.x0 = 0;
    mwc.carry = 1;  // next words 1 and 5115: the largest radius
    double first, second;
    mwc.nextGaussianPair(first, second);
    EXPECT_TRUE(first > 0.9999 && first <= 1.0);
    mwc.x0 = mwc.x2 = mwc.x3 = mwc.carry = 0;
    mwc.x1 = 1u << 28;  // next word 0 (1776 * 2^28 = 111 * 2^32): drawn again
    MwcRandom batch = mwc;
    mwc.nextGaussianPair(first, second);
    EXPECT_TRUE(std::isfinite(first) && std::isfinite(second));
    // Drawn many pairs at once, the redrawn zero is skipped the same way.
    uint32_t words[2];
    batch.drawPairWords(words, 1);
    EXPECT_EQ(batch.nextWord(), mwc.nextWord());
}

// What a file holds of each noise is held to the plain file in the engine's
// tests; here, what no job reaches: a request while a signal runs.
TEST(NoiseGenerators, ARequestWhileOneRunsIsIgnored)
{
    PinnedSeedTime pinned(1700000000);
    WhiteNoiseGenerator white;
    white.configureWhite(44100, 16, 0.25, 0);
    white.configureWhite(48000, 24, 2.0, 0);
    EXPECT_EQ(white.samplesLeft(), 11026u);  // odd count made even
    PinkNoiseGenerator pink;
    pink.configurePink(44100, 24, 0.25, 0);
    pink.configurePink(44100, 24, 2.0, 0);
    EXPECT_EQ(pink.samplesLeft(), 11025u);
    EXPECT_NEAR(noiseLevel(20, 16), 3276.7, 0.01);
}

TEST(PinkNoise, RowRenewalOrderAndBounds)
{
    PinkNoiseSource source;
    source.lcgState = 12345;
    std::vector<int> renewed;
    for (int i = 0; i < 8; ++i) {
        const std::vector<float> before(source.rows, source.rows + 16);
        source.nextPinkSample();
        for (int k = 0; k < 16; ++k)
            if (source.rows[k] != before[k])
                renewed.push_back(k);
    }
    EXPECT_EQ(renewed, (std::vector<int>{0, 1, 0, 2, 0, 1, 0, 3}));
    // Counter 65536 (16 trailing zeros) and a wrapped counter of 0 renew row 0.
    for (uint32_t counter : {65536u, 0u}) {
        source.rowCounter = counter;
        const float row0 = source.rows[0], row1 = source.rows[1];
        source.nextPinkSample();
        EXPECT_TRUE(source.rows[0] != row0 && source.rows[1] == row1);
    }
    atUpperBound(source);
    for (int i = 0; i < 2000000; ++i) {
        const float p = source.nextPinkSample();
        ASSERT_TRUE(source.runningSum >= -4.0f && source.runningSum <= 4.0f);
        ASSERT_TRUE(p >= -0.5625f && p < 0.5625f);
    }
    EXPECT_NEAR(std::accumulate(source.rows, source.rows + 16, 0.0f), source.runningSum, 1e-4);
}

TEST(PinkNoise, SamplesBeyondFullScaleAreClipped)
{
    // A seed whose first sample from the upper bound lies beyond full scale.
    PinkNoiseSource probe;
    uint32_t seed = 0;
    do {
        atUpperBound(probe);
        probe.rowCounter = 1;
        probe.lcgState = ++seed;
    } while (probe.nextPinkSample() < 0.56249f);
    PinnedSeedTime pinned(seed);
    for (const auto& [width, fullScale] : {std::pair{16, 32767}, {24, 8388607}, {32, 2147483647}}) {
        PinkNoiseGenerator gen;
        atUpperBound(*gen.source);
        gen.configurePink(44100, width, 1.0, 0);
        std::vector<int32_t> block(512);
        gen.fillPinkBlock(block.data(), 512);
        EXPECT_EQ(block[0], fullScale) << width;
    }
}
