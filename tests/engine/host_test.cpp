#include "audio_host.h"

#include <gtest/gtest.h>

#include <cstring>
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
        for (int i = 0; i < 512; ++i)
            std::memcpy(&samples[size_t(i)], block + 8 * i, 4);
        return true;
    }

    WavAudioDriver device{nullptr, 512, false};
    AudioHost host{&device, nullptr};
};

TEST_F(Host, NothingArmedAnswersFalse)
{
    EXPECT_FALSE(AudioHost::onBufferSwitch(0, true));
    unsigned char block[2048];
    std::memset(block, 0x11, sizeof block);
    EXPECT_FALSE(device.pullBlock(block, 16));
    EXPECT_EQ(block[0], 0x11);
}

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

TEST_F(Host, WideToneAndSweepSamplesAreNotDithered)
{
    for (int bits : {24, 32}) {
        host.startSweep(100.0, 1000.0, 0.1, 0, bits, 48000);
        ToneGenerator sweep(512);
        sweep.configureSweep(48000.0, 100.0, 1000.0, 0.1, 0, bits);
        std::vector<int32_t> expected(512), copy(512), got;
        while (sweep.sweepActive()) {
            sweep.fillSweepBlock(expected.data(), copy.data());
            ASSERT_TRUE(pull(got));
            ASSERT_EQ(got, expected);
        }
        EXPECT_FALSE(pull(got));
    }
}

TEST_F(Host, SixteenBitToneIsDitheredDownToSixteenBitRange)
{
    host.startTone(440.0, 0.2, 0, 16, 44100);
    std::vector<int32_t> got;
    int32_t peak = 0;
    while (pull(got))
        for (int32_t s : got) {
            peak = std::max(peak, std::abs(s));
        }
    EXPECT_GT(peak, 32000);
    EXPECT_LE(peak, 32766);
}

TEST(Dither, RoundsMagnitudesWithTriangularNoise)
{
    AudioHost::seedDither(12345);
    std::vector<int32_t> first(4096), second(4096);
    for (size_t i = 0; i < first.size(); ++i) {
        first[i] = (i % 4 == 0) ? 0 : (i % 4 == 1) ? 65536 : (i % 4 == 2) ? 32768 : -32768;
        second[i] = -first[i];
    }
    AudioHost::ditherTo16Bits(first.data(), second.data(), 4096);
    int ones = 0, minusOnes = 0;
    for (size_t i = 0; i < first.size(); i += 4) {
        EXPECT_EQ(first[i], 0);
        EXPECT_EQ(second[i], 0);
        EXPECT_EQ(first[i + 1], 1);
        EXPECT_EQ(second[i + 1], -1);
        EXPECT_TRUE(first[i + 2] == 0 || first[i + 2] == 1);
        EXPECT_TRUE(first[i + 3] == 0 || first[i + 3] == -1);
        ones += first[i + 2];
        minusOnes -= first[i + 3];
    }
    EXPECT_NEAR(ones, 512, 100);
    EXPECT_NEAR(minusOnes, 512, 100);
}

TEST(Dither, DrawsFollowTheCRecurrenceFourPerIndex)
{
    AudioHost::seedDither(1);
    // state = state * 214013 + 2531011, yielding bits 16..30.
    EXPECT_EQ(AudioHost::nextDitherValue(), 41);
    EXPECT_EQ(AudioHost::nextDitherValue(), 18467);
    EXPECT_EQ(AudioHost::nextDitherValue(), 6334);

    AudioHost::seedDither(77);
    std::vector<int32_t> a{1 << 20, 1 << 21}, b{1 << 22, 1 << 23};
    AudioHost::ditherTo16Bits(a.data(), b.data(), 2);
    AudioHost::seedDither(77);
    auto expect = [](int32_t s) {
        const int r1 = AudioHost::nextDitherValue();
        const int r2 = AudioHost::nextDitherValue();
        return (r1 + r2 + s) >> 16;
    };
    const int32_t a0 = expect(1 << 20), b0 = expect(1 << 22), a1 = expect(1 << 21), b1 = expect(1 << 23);
    EXPECT_EQ(a[0], a0);
    EXPECT_EQ(b[0], b0);
    EXPECT_EQ(a[1], a1);
    EXPECT_EQ(b[1], b1);
}

TEST(HostMessages, AnswersItsTable)
{
    EXPECT_EQ(AudioHost::onHostMessage(1, 4), 0);
    EXPECT_EQ(AudioHost::onHostMessage(1, 10), 1);
    for (int v : {2, 3, 5, 6, 7, 8})
        EXPECT_EQ(AudioHost::onHostMessage(1, v), 1);
    EXPECT_EQ(AudioHost::onHostMessage(2, 12345), 2);
    EXPECT_EQ(AudioHost::onHostMessage(3, 0), 1);
    EXPECT_EQ(AudioHost::onHostMessage(5, 0), 1);
    EXPECT_EQ(AudioHost::onHostMessage(6, 0), 1);
    for (int s : {4, 7, 8, 99, -1})
        EXPECT_EQ(AudioHost::onHostMessage(s, 0), 0);
}

TEST_F(Host, SampleRateRoundTrip)
{
    EXPECT_EQ(host.getWholeSampleRate(), 44100);
    EXPECT_TRUE(host.setSampleRate(48000));
    EXPECT_EQ(host.getWholeSampleRate(), 48000);
    device.setSampleRate(44100.9);
    EXPECT_EQ(host.getWholeSampleRate(), 44100);
}

}  // namespace
