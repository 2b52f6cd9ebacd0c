#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "tone_generator.h"

namespace {

constexpr double kCircle = 6.28318530718;

struct Rendered {
    std::vector<int32_t> samples;  // every block, padding included
    int blocks = 0;
};

// Runs the armed signal to its end, checking that both buffers get the same block.
Rendered render(ToneGenerator& gen)
{
    Rendered r;
    std::vector<int32_t> out(512), copy(512);
    while (gen.toneActive() || gen.sweepActive()) {
        if (gen.toneActive())
            gen.fillToneBlock(out.data(), copy.data());
        else
            gen.fillSweepBlock(out.data(), copy.data());
        EXPECT_EQ(out, copy);
        r.samples.insert(r.samples.end(), out.begin(), out.end());
        ++r.blocks;
    }
    return r;
}

int64_t sum(const std::vector<int32_t>& s)
{
    int64_t total = 0;
    for (int32_t v : s)
        total += v;
    return total;
}

}  // namespace

TEST(SineCore, LevelsWindowsAndSampleRule)
{
    EXPECT_EQ(ToneGenerator::levelForAttenuation(0, 16), 2147352574.0);
    EXPECT_EQ(ToneGenerator::levelForAttenuation(0, 24), 8388605.0);
    EXPECT_EQ(ToneGenerator::levelForAttenuation(0, 32), 2147483645.0);
    EXPECT_EQ(ToneGenerator::levelForAttenuation(0, 8), 2147483645.0);
    EXPECT_EQ(ToneGenerator::levelForAttenuation(1, 32), 1913946815.015614);
    EXPECT_EQ(ToneGenerator::levelForAttenuation(1, 16), 1913946815.015614);
    EXPECT_EQ(ToneGenerator::levelForAttenuation(1, 24), 7476353.8583852565);
    EXPECT_EQ(ToneGenerator::levelForAttenuation(20, 32), 214748364.69999886);
    EXPECT_EQ(ToneGenerator::levelForAttenuation(90, 24), 265.27104516031903);

    ToneGenerator gen(512);
    const std::vector<std::vector<double>> windows = {
        {0.9999999999999999},
        {0.9999999999999999, 0.33999999999984465},
        {0.9999999999999999, 0.7735533905931411, 0.33999999999984465, 0.06644660940665613}};
    for (const auto& expected : windows) {
        ASSERT_TRUE(gen.makeFadeWindow(uint32_t(expected.size()), 1.0));
        EXPECT_EQ(std::vector<double>(gen.window.get(), gen.window.get() + expected.size()), expected);
    }

    EXPECT_EQ(ToneGenerator::truncateSample(-0.7), 0);
    EXPECT_EQ(ToneGenerator::truncateSample(-1.9), -1);
    EXPECT_EQ(ToneGenerator::truncateSample(2147483644.9), 2147483644);
}

TEST(Tone, BlockLayoutsOfTheWorkedTones)
{
    ToneGenerator gen(512);
    gen.configureTone(44100.0, 1000.0, 1.0, 0, 24);
    ASSERT_TRUE(gen.toneActive());
    EXPECT_EQ(gen.fadeLength, 440u);
    EXPECT_EQ(gen.bodyEndBlock * 512 + gen.bodyEndOffset, 43660u);  // lengthened by one
    EXPECT_TRUE(gen.dcMode);
    Rendered r = render(gen);
    EXPECT_EQ(r.blocks, 87);
    for (size_t i = 86 * 512 + 68; i < r.samples.size(); ++i)
        ASSERT_EQ(r.samples[i], 0) << i;
    EXPECT_EQ(sum(r.samples), 0);

    gen.configureTone(44100.0, 10.0, 0.2, 0, 16);
    ASSERT_TRUE(gen.toneActive());
    EXPECT_EQ(gen.fadeLength, 4409u);
    EXPECT_EQ(gen.bodyEndBlock * 512 + gen.bodyEndOffset, 4411u);  // two body samples
    r = render(gen);
    EXPECT_EQ(r.blocks, 18);
    for (size_t i = 17 * 512 + 116; i < r.samples.size(); ++i)
        ASSERT_EQ(r.samples[i], 0) << i;

    gen.configureTone(44100.0, 100.0, 0.03, 0, 32);
    EXPECT_EQ(gen.fadeLength, 440u);  // half the tone is exactly 10 ms
}

TEST(Tone, RefusesTonesOfFewerThanTwoCyclesOrOneBlock)
{
    ToneGenerator gen(512);
    gen.configureTone(44100.0, 1000.0, 0.01, 0, 32);  // 441 samples
    EXPECT_FALSE(gen.toneActive());
    gen.configureTone(44100.0, 10.0, 0.1, 0, 32);  // one cycle
    EXPECT_FALSE(gen.toneActive());
    gen.configureTone(44100.0, 10.0, 0.15, 0, 32);  // 1.5 cycles round up to 2
    EXPECT_TRUE(gen.toneActive());
    // 600 samples: a tone just over one block is taken (real division, not integer).
    ToneGenerator other(512);
    other.configureTone(48000.0, 400.0, 0.0125, 0, 32);
    EXPECT_TRUE(other.toneActive());
    EXPECT_EQ(render(other).blocks, 2);
}

TEST(Tone, DcCorrectionBringsEveryShortToneToZero)
{
    ToneGenerator gen(512);
    gen.configureTone(96000.0, 997.0, 2.0, 3, 24);
    ASSERT_TRUE(gen.toneActive());
    EXPECT_EQ(gen.fadeLength, 961u);
    EXPECT_FALSE(gen.dcMode);
    EXPECT_NE(gen.trim, 0);  // a few units, trimmed one at a time
    EXPECT_EQ(sum(render(gen).samples), 0);

    for (double rate : {44100.0, 48000.0, 96000.0})
        for (double frequency : {10.0, 61.7, 440.0, 997.0, 4321.5, 22050.0})
            for (double duration : {0.05, 0.37, 1.0, 4.2, 10.0})
                for (int32_t width : {16, 24, 32}) {
                    gen.configureTone(rate, frequency, duration, width == 24 ? 12 : 1, width);
                    if (!gen.toneActive())
                        continue;
                    ASSERT_EQ(sum(render(gen).samples), 0)
                        << rate << " Hz " << frequency << " Hz " << duration << " s " << width;
                }

    gen.configureTone(44100.0, 1000.0, 10.5, 0, 24);
    EXPECT_FALSE(gen.dcMode);
    EXPECT_EQ(gen.trim, 0);
}

TEST(Tone, TrimUnitsGoToTheTrimPointsInOrder)
{
    // Against the same tone without trim: units go to the last fade-in sample,
    // the last sample of each whole body block, the first fade-out sample and,
    // always the last unit, the tone's last sample.
    ToneGenerator plain(512);
    plain.configureTone(96000.0, 997.0, 2.0, 3, 24);
    plain.trim = 0;
    const std::vector<int32_t> untrimmed = render(plain).samples;
    const uint32_t fade = plain.fadeLength, bodyEnd = plain.bodyEndBlock * 512 + plain.bodyEndOffset;
    const uint32_t capacity = 371;
    for (int32_t units : {3, -int32_t(capacity) - 3}) {
        ToneGenerator gen(512);
        gen.configureTone(96000.0, 997.0, 2.0, 3, 24);
        gen.trim = units;
        const std::vector<int32_t> trimmed = render(gen).samples;
        std::vector<uint32_t> points;
        for (uint32_t i = 0; i < trimmed.size(); ++i)
            if (trimmed[i] != untrimmed[i]) {
                EXPECT_EQ(trimmed[i] - untrimmed[i], units > 0 ? 1 : -1);
                points.push_back(i);
            }
        ASSERT_EQ(points.size(), size_t(std::abs(units)));
        EXPECT_EQ(points.front(), fade - 1);
        EXPECT_EQ(points.back(), fade + bodyEnd - 1);
        if (units > 0)
            EXPECT_EQ(points[1], 1535u);  // block 1 still holds fade-in: block 2 is whole
        else
            EXPECT_EQ(points[points.size() - 2], bodyEnd);
    }
}

TEST(Tone, DcShiftNeverCarriesAPeakPastTheWidth)
{
    // At 0 dB a low tone's correction is thousands of units per sample while
    // its peaks are 2 units below full scale.
    ToneGenerator gen(512);
    for (int32_t width : {24, 32, 16}) {
        gen.configureTone(44100.0, width == 16 ? 50.0 : 10.0, width == 16 ? 0.05 : 1.0, 0, width);
        ASSERT_TRUE(gen.dcMode);
        const Rendered r = render(gen);
        const int64_t limit = width == 24 ? 8388607 : width == 16 ? 2147418113 : 2147483647;
        int64_t extreme = 0;
        for (int32_t v : r.samples)
            extreme = std::max<int64_t>(extreme, std::llabs(v));
        EXPECT_EQ(extreme, limit);
        EXPECT_LT(std::llabs(sum(r.samples)), int64_t{1} << 31);  // no wrapped sample
    }
}

TEST(Tone, ConfigureWhileActiveChangesNothing)
{
    ToneGenerator gen(512);
    gen.configureTone(44100.0, 440.0, 0.5, 6, 24);
    const Rendered first = render(gen);
    gen.configureTone(44100.0, 440.0, 0.5, 6, 24);
    std::vector<int32_t> block(512);
    gen.fillToneBlock(block.data(), nullptr);
    const uint32_t fadeLength = gen.fadeLength;
    gen.configureTone(48000.0, 1000.0, 2.0, 0, 32);
    EXPECT_EQ(gen.fadeLength, fadeLength);
    const Rendered rest = render(gen);
    EXPECT_EQ(rest.blocks + 1, first.blocks);
    EXPECT_TRUE(std::equal(rest.samples.begin(), rest.samples.end(), first.samples.begin() + 512));
    // A sweep is refused while the tone runs.
    gen.configureTone(44100.0, 440.0, 0.5, 6, 24);
    gen.configureSweep(44100.0, 20.0, 200.0, 1.0, 0, 32);
    EXPECT_FALSE(gen.sweepActive());
}

TEST(Sweep, BlockCountsAndLastBlockFrequency)
{
    struct Case {
        double rate, start, end, duration;
        uint32_t blocks;
        double lastFrequency;
    };
    for (const Case& c : {Case{44100.0, 20.0, 20000.0, 10.0, 862, 19976.82},
                          Case{48000.0, 1000.0, 100.0, 1.0, 95, 109.47},
                          Case{44100.0, 100.0, 1000.0, 0.1, 10, 910.0}}) {
        ToneGenerator gen(512);
        gen.configureSweep(c.rate, c.start, c.end, c.duration, 0, 32);
        ASSERT_TRUE(gen.sweepActive());
        EXPECT_EQ(gen.blocksLeft, c.blocks);
        EXPECT_EQ(gen.sweepStep > 0, c.start > c.end);
        std::vector<int32_t> out(512), copy(512);
        for (uint32_t b = 0; b + 1 < c.blocks; ++b) {
            gen.fillSweepBlock(out.data(), copy.data());
            if (b == 0) {
                EXPECT_EQ(out[0], 0);
            }
            ASSERT_GE(gen.phase, 0.0);
            ASSERT_LT(gen.phase, kCircle);
        }
        EXPECT_NEAR(gen.phaseStep * c.rate / kCircle, c.lastFrequency, 0.01);
        gen.fillSweepBlock(out.data(), copy.data());
        EXPECT_FALSE(gen.sweepActive());
        EXPECT_EQ(gen.window, nullptr);
    }
    ToneGenerator gen(512);
    gen.configureSweep(44100.0, 20.0, 20000.0, 10.0, 0, 32);
    EXPECT_EQ(gen.phaseStep, 0.0028495171461133785);
    EXPECT_EQ(kCircle / (44100.0 / 20000.0), 2.849517146113379);
}

TEST(Sweep, EqualFrequenciesGiveASteadyToneWithAFadeOut)
{
    ToneGenerator gen(512);
    gen.configureSweep(48000.0, 1000.0, 1000.0, 0.5, 0, 24);
    EXPECT_EQ(gen.sweepStep, 0.0);
    const Rendered r = render(gen);
    EXPECT_EQ(r.samples.size(), size_t(r.blocks) * 512);  // no padding
    const double step = kCircle / 48.0;
    double phase = 0.0;
    for (size_t i = 0; i + 512 < r.samples.size(); ++i) {
        ASSERT_EQ(r.samples[i], int32_t(std::sin(phase) * 8388605.0)) << i;
        phase += step;
        if ((i + 1) % 512 == 0 && phase >= kCircle)
            phase = std::fmod(phase, kCircle);
    }
    EXPECT_LT(std::abs(r.samples.back()), 8388605 / 100);  // faded to almost nothing
}

TEST(Sweep, ConfigureWhileRunningRestartsTheRunningSweep)
{
    ToneGenerator gen(512), fresh(512);
    gen.configureSweep(44100.0, 100.0, 1000.0, 0.1, 0, 32);
    fresh.configureSweep(44100.0, 100.0, 1000.0, 0.1, 0, 32);
    const Rendered expected = render(fresh);
    std::vector<int32_t> out(512), copy(512);
    for (int b = 0; b < 4; ++b)
        gen.fillSweepBlock(out.data(), copy.data());
    gen.configureSweep(48000.0, 20.0, 30.0, 5.0, 20, 16);
    const Rendered restarted = render(gen);
    EXPECT_EQ(restarted.samples, expected.samples);
    // A tone is refused while the sweep runs.
    gen.configureSweep(44100.0, 100.0, 1000.0, 0.1, 0, 32);
    gen.configureTone(44100.0, 440.0, 1.0, 0, 32);
    EXPECT_FALSE(gen.toneActive());
}
