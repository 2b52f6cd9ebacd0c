#include "audio_host.h"
#include "dither.h"

#include <gtest/gtest.h>

#include <vector>

#include "pink_noise.h"
#include "seed_clock.h"
#include "tone_generator.h"

namespace {

class Host : public ::testing::Test {
protected:
    void SetUp() override
    {
        setSeedTime(1700000000);
        ASSERT_TRUE(host.initialised());
        ASSERT_TRUE(host.prepareBuffers());
    }
    void TearDown() override
    {
        host.disarm();
        host.shutdownHost();
        setSeedTime(std::nullopt);
    }

    // Channel 0 of the next block, as 32-bit samples.
    bool pull(std::vector<int32_t>& samples)
    {
        unsigned char block[4096];
        if (!device.pullBlock(block, 32))
            return false;
        samples.resize(512);
        for (int i = 0; i < 512; ++i) {
            const unsigned char* b = block + 8 * i;
            samples[size_t(i)] = static_cast<int32_t>(uint32_t(b[0]) | uint32_t(b[1]) << 8 |
                                                      uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24);
        }
        return true;
    }

    WavAudioDriver device{nullptr, 512, false};
    AudioHost host{&device, nullptr};
};

TEST_F(Host, PinkIsServedBeforeAnArmedTone)
{
    host.startTone(1000.0, 0.5, 3, 32, 44100);
    host.startPinkNoise(0.2, 3, 32, 44100);

    PinkNoiseGenerator reference;
    reference.configurePink(44100, 32, 0.2, 3);
    std::vector<int32_t> expected(512), got;
    int blocks = 0;
    while (reference.pinkActive()) {
        reference.fillPinkBlock(expected.data(), 512);
        ASSERT_TRUE(pull(got));
        ASSERT_EQ(got, expected) << "block " << blocks;
        ++blocks;
    }
    EXPECT_EQ(blocks, 18);  // 8820 samples
    // The tone follows once the pink signal has ended.
    ToneGenerator tone(512);
    tone.configureTone(44100.0, 1000.0, 0.5, 3, 32);
    std::vector<int32_t> copy(512);
    tone.fillToneBlock(expected.data(), copy.data());
    ASSERT_TRUE(pull(got));
    EXPECT_EQ(got, expected);
}

TEST(Dither, FollowsTheCRecurrenceFourDrawsPerIndex)
{
    AudioHost::seedDither(1);
    // state = state * 214013 + 2531011, yielding bits 16..30.
    EXPECT_EQ(AudioHost::nextDitherValue(), 41);
    EXPECT_EQ(AudioHost::nextDitherValue(), 18467);
    EXPECT_EQ(AudioHost::nextDitherValue(), 6334);

    // Blocks of every length against the plain rule: two draws for the
    // first buffer's sample, then two for the second's. Zero stays zero,
    // 65536 always gives 1, 32768 gives 0 or 1.
    std::vector<int32_t> first(512), second(512);
    for (size_t i = 0; i < 512; ++i) {
        const int32_t values[] = {0, 65536, 32768, -32768, 2147352574, -2147352574, int32_t(i * 7919 * 131)};
        first[i] = values[i % 7];
        second[i] = -values[(i + 3) % 7];
    }
    uint32_t state = 77;
    AudioHost::seedDither(state);
    for (int count : {512, 0, 1, 7, 8, 9, 100}) {
        std::vector<int32_t> a = first, b = second, x = first, y = second;
        AudioHost::ditherTo16Bits(a.data(), b.data(), count);
        plainDitherFrames(x.data(), y.data(), count, state);
        ASSERT_EQ(a, x) << count;
        ASSERT_EQ(b, y) << count;
    }
    EXPECT_EQ(AudioHost::nextDitherValue(), nextDitherDraw(state));
    std::vector<int32_t> a = first, b = second;
    AudioHost::ditherTo16Bits(a.data(), b.data(), 512);
    for (size_t i = 0; i < 512; ++i) {
        if (first[i] == 0 || first[i] == 65536) {
            EXPECT_EQ(a[i], first[i] / 65536);
        } else if (first[i] == 32768) {
            EXPECT_TRUE(a[i] == 0 || a[i] == 1);
        }
    }
}

}  // namespace
