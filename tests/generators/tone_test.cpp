#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <tuple>
#include <vector>

#include "tone_generator.h"

namespace {

constexpr double kCircle = 6.28318530718;

// Runs the armed signal to its end; both buffers must carry the same block.
std::vector<int32_t> render(ToneGenerator& gen)
{
    std::vector<int32_t> all, out(512), copy(512);
    while (gen.toneActive() || gen.sweepActive()) {
        if (gen.toneActive())
            gen.fillToneBlock(out.data(), copy.data());
        else
            gen.fillSweepBlock(out.data(), copy.data());
        EXPECT_EQ(out, copy);
        all.insert(all.end(), out.begin(), out.end());
    }
    return all;
}

int64_t sum(const std::vector<int32_t>& s) { return std::accumulate(s.begin(), s.end(), int64_t{0}); }

uint32_t bodyEnd(const ToneGenerator& gen) { return gen.bodyEndBlock * 512 + gen.bodyEndOffset; }

}  // namespace

TEST(SineCore, LevelsWindowsAndSampleRule)
{
    const struct { uint32_t attenuation; int32_t width; double level; } levels[] = {
        {0, 16, 2147352574.0}, {0, 24, 8388605.0}, {0, 32, 2147483645.0}, {0, 8, 2147483645.0},
        {1, 32, 1913946815.015614}, {1, 16, 1913946815.015614}, {1, 24, 7476353.8583852565},
        {20, 32, 214748364.69999886}, {90, 24, 265.27104516031903}};
    for (const auto& l : levels)
        EXPECT_EQ(ToneGenerator::levelForAttenuation(l.attenuation, l.width), l.level) << l.attenuation;

    ToneGenerator gen(512);
    for (const std::vector<double>& expected :
         {std::vector<double>{0.9999999999999999}, {0.9999999999999999, 0.33999999999984465},
          {0.9999999999999999, 0.7735533905931411, 0.33999999999984465, 0.06644660940665613}}) {
        ASSERT_TRUE(gen.makeFadeWindow(uint32_t(expected.size()), 1.0));
        EXPECT_EQ(std::vector<double>(gen.window.get(), gen.window.get() + expected.size()), expected);
    }
    EXPECT_EQ(ToneGenerator::truncateSample(-0.7), 0);
    EXPECT_EQ(ToneGenerator::truncateSample(-1.9), -1);
    EXPECT_EQ(ToneGenerator::truncateSample(2147483644.9), 2147483644);
}

TEST(Tone, BlockLayoutsAndRefusals)
{
    ToneGenerator gen(512);
    gen.configureTone(44100.0, 1000.0, 1.0, 0, 24);
    EXPECT_EQ(gen.fadeLength, 440u);
    EXPECT_EQ(bodyEnd(gen), 43660u);  // lengthened to end after an upward zero crossing
    EXPECT_TRUE(gen.dcMode);
    std::vector<int32_t> s = render(gen);
    EXPECT_EQ(s.size(), 87u * 512);
    EXPECT_TRUE(std::all_of(s.begin() + 86 * 512 + 68, s.end(), [](int32_t v) { return v == 0; }));
    EXPECT_EQ(sum(s), 0);

    gen.configureTone(44100.0, 10.0, 0.2, 0, 16);
    EXPECT_EQ(gen.fadeLength, 4409u);
    EXPECT_EQ(bodyEnd(gen), 4411u);  // two body samples
    s = render(gen);
    EXPECT_EQ(s.size(), 18u * 512);
    EXPECT_TRUE(std::all_of(s.begin() + 17 * 512 + 116, s.end(), [](int32_t v) { return v == 0; }));

    gen.configureTone(44100.0, 100.0, 0.03, 0, 32);
    EXPECT_EQ(gen.fadeLength, 440u);  // half the tone is exactly 10 ms
    render(gen);
    // 441 samples fit one block; one cycle is too few; 1.5 cycles round up to 2;
    // 600 samples are more than one block (real division, not integer).
    for (const auto& [rate, frequency, duration, blocks] :
         {std::tuple{44100.0, 1000.0, 0.01, 0u}, {44100.0, 10.0, 0.1, 0u}, {44100.0, 10.0, 0.15, 18u},
          {48000.0, 400.0, 0.0125, 2u}}) {
        gen.configureTone(rate, frequency, duration, 0, 32);
        EXPECT_EQ(render(gen).size(), blocks * 512) << frequency << " Hz " << duration << " s";
    }
}

TEST(Tone, EveryCorrectedToneSumsToZero)
{
    ToneGenerator gen(512);
    gen.configureTone(96000.0, 997.0, 2.0, 3, 24);
    EXPECT_EQ(gen.fadeLength, 961u);
    EXPECT_FALSE(gen.dcMode);
    EXPECT_NE(gen.trim, 0);  // a few units, trimmed one at a time
    EXPECT_EQ(sum(render(gen)), 0);

    for (double rate : {44100.0, 48000.0, 96000.0})
        for (double frequency : {10.0, 61.7, 440.0, 997.0, 4321.5, 22050.0})
            for (double duration : {0.05, 0.37, 1.0, 4.2, 10.0})
                for (int32_t width : {16, 24, 32}) {
                    gen.configureTone(rate, frequency, duration, width == 24 ? 12 : 1, width);
                    ASSERT_EQ(sum(render(gen)), 0) << rate << " " << frequency << " " << duration;
                }

    gen.configureTone(44100.0, 1000.0, 10.5, 0, 24);
    EXPECT_FALSE(gen.dcMode);
    EXPECT_EQ(gen.trim, 0);
}

TEST(Tone, TrimUnitsGoToTheTrimPointsInOrder)
{
    // Against the same tone without trim: the last fade-in sample, the last
    // sample of each whole body block, the first fade-out sample, and always
    // the tone's last sample for the last unit.
    ToneGenerator plain(512);
    plain.configureTone(96000.0, 997.0, 2.0, 3, 24);
    plain.trim = 0;
    const std::vector<int32_t> untrimmed = render(plain);
    const uint32_t fade = plain.fadeLength, end = bodyEnd(plain), capacity = 371;
    for (int32_t units : {3, -int32_t(capacity) - 3}) {
        ToneGenerator gen(512);
        gen.configureTone(96000.0, 997.0, 2.0, 3, 24);
        gen.trim = units;
        const std::vector<int32_t> trimmed = render(gen);
        std::vector<uint32_t> points;
        for (uint32_t i = 0; i < trimmed.size(); ++i)
            if (trimmed[i] != untrimmed[i]) {
                EXPECT_EQ(trimmed[i] - untrimmed[i], units > 0 ? 1 : -1);
                points.push_back(i);
            }
        ASSERT_EQ(points.size(), size_t(std::abs(units)));
        EXPECT_EQ(points.front(), fade - 1);
        EXPECT_EQ(points.back(), fade + end - 1);
        EXPECT_EQ(points[units > 0 ? 1 : points.size() - 2], units > 0 ? 1535u : end);
    }
}

TEST(Tone, DcShiftNeverCarriesAPeakPastTheWidth)
{
    // At 0 dB the correction of a low tone is thousands of units per sample,
    // while its peaks lie 2 units below full scale.
    ToneGenerator gen(512);
    for (int32_t width : {24, 32, 16}) {
        gen.configureTone(44100.0, width == 16 ? 50.0 : 10.0, width == 16 ? 0.05 : 1.0, 0, width);
        ASSERT_TRUE(gen.dcMode);
        const std::vector<int32_t> s = render(gen);
        int64_t extreme = 0;
        for (int32_t v : s)
            extreme = std::max<int64_t>(extreme, std::llabs(v));
        EXPECT_EQ(extreme, width == 24 ? 8388607 : width == 16 ? 2147418113 : 2147483647);
        EXPECT_LT(std::llabs(sum(s)), int64_t{1} << 31);  // nothing wrapped
    }
}

TEST(Tone, ConfigureWhileActiveChangesNothing)
{
    ToneGenerator gen(512);
    gen.configureTone(44100.0, 440.0, 0.5, 6, 24);
    const std::vector<int32_t> first = render(gen);
    gen.configureTone(44100.0, 440.0, 0.5, 6, 24);
    std::vector<int32_t> block(512);
    gen.fillToneBlock(block.data(), nullptr);
    gen.configureTone(48000.0, 1000.0, 2.0, 0, 32);
    gen.configureSweep(44100.0, 20.0, 200.0, 1.0, 0, 32);
    EXPECT_FALSE(gen.sweepActive());
    EXPECT_TRUE(std::equal(block.begin(), block.end(), first.begin()));
    const std::vector<int32_t> rest = render(gen);
    EXPECT_TRUE(std::equal(rest.begin(), rest.end(), first.begin() + 512, first.end()));
}

TEST(Sweep, BlockCountsPhaseAndLastBlockFrequency)
{
    struct Case { double rate, start, end, duration; uint32_t blocks; double lastFrequency; };
    for (const Case& c : {Case{44100.0, 20.0, 20000.0, 10.0, 862, 19976.82},
                          Case{48000.0, 1000.0, 100.0, 1.0, 95, 109.47},
                          Case{44100.0, 100.0, 1000.0, 0.1, 10, 910.0},
                          Case{48000.0, 1000.0, 1000.0, 0.5, 48, 1000.0}}) {
        ToneGenerator gen(512);
        gen.configureSweep(c.rate, c.start, c.end, c.duration, 0, 32);
        EXPECT_EQ(gen.blocksLeft, c.blocks);
        EXPECT_EQ(gen.sweepStep > 0, c.start > c.end);
        std::vector<int32_t> out(512), copy(512);
        for (uint32_t b = 0; b + 1 < c.blocks; ++b) {
            gen.fillSweepBlock(out.data(), copy.data());
            ASSERT_TRUE(b > 0 || out[0] == 0);
            ASSERT_TRUE(gen.phase >= 0.0 && gen.phase < kCircle);
        }
        EXPECT_NEAR(gen.phaseStep * c.rate / kCircle, c.lastFrequency, 0.01);
        gen.fillSweepBlock(out.data(), copy.data());
        EXPECT_LT(std::abs(out[511]), 2147483645 / 100);  // faded out
        EXPECT_FALSE(gen.sweepActive());
    }
    ToneGenerator gen(512);
    gen.configureSweep(44100.0, 20.0, 20000.0, 10.0, 0, 32);
    EXPECT_EQ(gen.phaseStep, 0.0028495171461133785);
}

TEST(Sweep, ConfigureWhileRunningRestartsTheRunningSweep)
{
    ToneGenerator gen(512), fresh(512);
    gen.configureSweep(44100.0, 100.0, 1000.0, 0.1, 0, 32);
    fresh.configureSweep(44100.0, 100.0, 1000.0, 0.1, 0, 32);
    std::vector<int32_t> out(512), copy(512);
    for (int b = 0; b < 4; ++b)
        gen.fillSweepBlock(out.data(), copy.data());
    gen.configureSweep(48000.0, 20.0, 30.0, 5.0, 20, 16);
    EXPECT_EQ(render(gen), render(fresh));
    gen.configureSweep(44100.0, 100.0, 1000.0, 0.1, 0, 32);
    gen.configureTone(44100.0, 440.0, 1.0, 0, 32);  // refused while the sweep runs
    EXPECT_FALSE(gen.toneActive());
}
