#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <tuple>
#include <vector>

#include "late_runner.h"
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

}  // namespace

TEST(SineCore, LevelsWindowsAndSampleRule)
{
    const struct { uint32_t attenuation; int32_t width; double level; } levels[] = {
        {0, 16, 2147352574.0}, {0, 24, 8388605.0}, {0, 32, 2147483645.0}, {0, 8, 2147483645.0},
        {1, 32, 1913946815.015614}, {1, 16, 1913946815.015614}, {1, 24, 7476353.8583852565},
        {90, 24, 265.27104516031903}};
    for (const auto& l : levels)
        EXPECT_EQ(ToneGenerator::levelForAttenuation(l.attenuation, l.width), l.level) << l.attenuation;
    ToneGenerator gen(512);
    for (const std::vector<double>& expected :
         {std::vector<double>{0.9999999999999999}, {0.9999999999999999, 0.33999999999984465},
          {0.9999999999999999, 0.7735533905931411, 0.33999999999984465, 0.06644660940665613}}) {
        ASSERT_TRUE(gen.makeFadeWindow(uint32_t(expected.size()), 1.0));
        EXPECT_EQ(std::vector<double>(gen.window.get(), gen.window.get() + expected.size()), expected);
    }
    for (const auto& [in, out] : {std::pair{-0.7, 0}, {-1.9, -1}, {2147483644.9, 2147483644}})
        EXPECT_EQ(ToneGenerator::truncateSample(in), out) << in;
}

TEST(Tone, BlockLayoutsAndZeroSums)
{
    // Fade length, where the body ends and how many blocks are rendered;
    // nothing but zeros follows the fade-out.
    struct Layout { double frequency, duration; int32_t width; uint32_t fade, bodyEnd, blocks; };
    for (const Layout& c : {Layout{1000, 1.0, 24, 440, 43660, 87},  // body ends after an upward crossing
                            Layout{10, 0.2, 16, 4409, 4411, 18}}) {  // two body samples
        ToneGenerator gen(512);
        gen.configureTone(44100, c.frequency, c.duration, 0, c.width);
        EXPECT_EQ(gen.fadeLength, c.fade) << c.frequency;
        EXPECT_EQ(gen.bodyEndBlock * 512 + gen.bodyEndOffset, c.bodyEnd) << c.frequency;
        const std::vector<int32_t> s = render(gen);
        ASSERT_EQ(s.size(), c.blocks * 512) << c.frequency;
        EXPECT_TRUE(std::all_of(s.begin() + c.fade + c.bodyEnd, s.end(), [](int32_t v) { return v == 0; }));
    }
    // Refused (no blocks): 441 samples fit one block, and one cycle is too
    // few; 1.5 cycles round up to 2, 600 samples are more than one block
    // (real division), and half of 0.03 s is exactly the 10 ms fade.
    for (const auto& [rate, frequency, duration, blocks] :
         {std::tuple{44100.0, 1000.0, 0.01, 0u}, {44100.0, 10.0, 0.1, 0u}, {44100.0, 10.0, 0.15, 18u},
          {48000.0, 400.0, 0.0125, 2u}, {44100.0, 100.0, 0.03, 3u}}) {
        ToneGenerator gen(512);
        gen.configureTone(rate, frequency, duration, 0, 32);
        EXPECT_EQ(render(gen).size(), blocks * 512) << frequency << " Hz " << duration << " s";
    }
    // Tones up to 10 s sum to zero, the correction spread (the first two) or
    // trimmed; longer ones are not corrected.
    ToneGenerator gen(512);
    for (const auto& [rate, frequency, duration, width, attenuation] :
         {std::tuple{44100.0, 1000.0, 1.0, 24, 0}, {44100.0, 61.7, 0.37, 16, 1}, {48000.0, 4321.5, 4.2, 24, 12},
          {96000.0, 22050.0, 10.0, 32, 1}, {48000.0, 440.0, 1.0, 16, 20}}) {
        gen.configureTone(rate, frequency, duration, attenuation, width);
        EXPECT_EQ(sum(render(gen)), 0) << rate << " " << frequency << " " << duration;
    }
    gen.configureTone(44100.0, 1000.0, 10.5, 0, 24);
    EXPECT_FALSE(gen.dcMode);
    EXPECT_EQ(gen.trim, 0);
}

TEST(Tone, TrimUnitsGoToTheTrimPointsInOrder)
{
    // Against the same tone without trim: the last fade-in sample (960), the
    // last sample of each whole body block, the first fade-out sample and
    // always the tone's last sample (961 + 191038 - 1) for the last unit.
    const auto renderTrimmed = [](int32_t units) {
        ToneGenerator gen(512);
        gen.configureTone(96000.0, 997.0, 2.0, 3, 24);
        EXPECT_EQ(gen.trim, -2);
        gen.trim = units;
        return render(gen);
    };
    const std::vector<int32_t> untrimmed = renderTrimmed(0);
    const uint32_t capacity = 371;
    for (int32_t units : {3, -int32_t(capacity) - 3}) {
        const std::vector<int32_t> trimmed = renderTrimmed(units);
        std::vector<uint32_t> points;
        for (uint32_t i = 0; i < trimmed.size(); ++i)
            if (trimmed[i] != untrimmed[i]) {
                EXPECT_EQ(trimmed[i] - untrimmed[i], units > 0 ? 1 : -1);
                points.push_back(i);
            }
        ASSERT_EQ(points.size(), size_t(std::abs(units)));
        EXPECT_EQ(points.front(), 960u);
        EXPECT_EQ(points.back(), 191998u);
        EXPECT_EQ(points[units > 0 ? 1 : points.size() - 2], units > 0 ? 1535u : 191038u);
    }
}

TEST(Tone, DcShiftNeverCarriesAPeakPastTheWidth)
{
    // At 0 dB a low tone's correction is thousands of units per sample, while
    // its peaks lie 2 units below full scale.
    for (const auto& [width, frequency, duration, peak] :
         {std::tuple{24, 10.0, 1.0, 8388607}, {32, 10.0, 1.0, 2147483647}, {16, 50.0, 0.05, 2147418113}}) {
        ToneGenerator gen(512);
        gen.configureTone(44100.0, frequency, duration, 0, width);
        ASSERT_TRUE(gen.dcMode);
        const std::vector<int32_t> s = render(gen);
        const auto [low, high] = std::minmax_element(s.begin(), s.end());
        EXPECT_EQ(std::max(int64_t{*high}, -int64_t{*low}), peak);
        EXPECT_LT(std::llabs(sum(s)), int64_t{1} << 31);  // nothing wrapped
    }
}

TEST(Sweep, BlockCountsPhaseAndLastBlockFrequency)
{
    ToneGenerator upward(512);
    upward.configureSweep(44100.0, 20.0, 20000.0, 10.0, 0, 32);
    EXPECT_EQ(upward.phaseStep, 0.0028495171461133785);
    struct Case { double rate, start, end, duration; uint32_t blocks; double lastFrequency; };
    for (const Case& c : {Case{44100.0, 20.0, 20000.0, 10.0, 862, 19976.82},
                          Case{48000.0, 1000.0, 100.0, 1.0, 95, 109.47},
                          Case{48000.0, 1000.0, 1000.0, 0.5, 48, 1000.0}}) {
        ToneGenerator gen(512);
        gen.configureSweep(c.rate, c.start, c.end, c.duration, 0, 32);
        EXPECT_EQ(gen.blocksLeft, c.blocks);
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
}

TEST(Generator, ArmingWhileActive)
{
    // A tone ignores new requests while it plays; a sweep restarts from the new one.
    ToneGenerator gen(512), fresh(512);
    gen.configureTone(44100.0, 440.0, 0.5, 6, 24);
    const std::vector<int32_t> first = render(gen);
    gen.configureTone(44100.0, 440.0, 0.5, 6, 24);
    std::vector<int32_t> block(512), copy(512);
    gen.fillToneBlock(block.data(), nullptr);
    gen.configureTone(48000.0, 1000.0, 2.0, 0, 32);
    gen.configureSweep(44100.0, 20.0, 200.0, 1.0, 0, 32);
    EXPECT_FALSE(gen.sweepActive());
    std::vector<int32_t> rest = render(gen);
    rest.insert(rest.begin(), block.begin(), block.end());
    EXPECT_EQ(rest, first);

    gen.configureSweep(44100.0, 100.0, 1000.0, 0.1, 0, 32);
    fresh.configureSweep(44100.0, 100.0, 1000.0, 0.1, 0, 32);
    for (int b = 0; b < 4; ++b)
        gen.fillSweepBlock(block.data(), copy.data());
    gen.configureSweep(48000.0, 20.0, 30.0, 5.0, 20, 16);
    gen.configureTone(44100.0, 440.0, 1.0, 0, 32);  // refused while the sweep runs
    EXPECT_FALSE(gen.toneActive());
    EXPECT_EQ(render(gen), render(fresh));
}

TEST(Generator, SinesComputedAheadGiveTheSameSamples)
{
    LateRunner runner;
    ToneGenerator direct(512), ahead(512);
    ahead.setRangeRunner(&runner);
    const auto both = [&](auto&& step) {
        step(direct);
        step(ahead);
    };
    // Tones with and without the DC passes, over several chunks.
    for (const auto& [duration, width] : {std::pair{0.7, 16}, {11.0, 32}}) {
        both([&](ToneGenerator& g) { g.configureTone(48000.0, 997.0, duration, 3, width); });
        EXPECT_EQ(render(ahead), render(direct)) << duration;
    }
    // A sweep, a sweep restarted part-way, and a tone after a stopped sweep.
    std::vector<int32_t> block(512);
    both([&](ToneGenerator& g) { g.configureSweep(96000.0, 20.0, 20000.0, 1.0, 0, 24); });
    EXPECT_EQ(render(ahead), render(direct));
    both([&](ToneGenerator& g) {
        g.configureSweep(44100.0, 3000.0, 100.0, 2.0, 6, 32);
        for (int b = 0; b < 40; ++b)
            g.fillSweepBlock(block.data(), nullptr);
        g.configureSweep(44100.0, 50.0, 60.0, 1.0, 0, 32);
    });
    EXPECT_EQ(render(ahead), render(direct));
    both([&](ToneGenerator& g) {
        g.configureSweep(44100.0, 3000.0, 100.0, 2.0, 6, 32);
        g.fillSweepBlock(block.data(), nullptr);
        g.disarm();
        g.configureTone(44100.0, 440.0, 0.5, 6, 24);
    });
    EXPECT_EQ(render(ahead), render(direct));
}
