#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <tuple>
#include <vector>

#include "level_table.h"
#include "plain_sines.h"
#include "sine_ahead.h"
#include "sine_rules.h"

// The worked values of the rules. That the generator's fills give exactly
// what the plain definitions built on these rules give is checked in
// plain_paths_test.cpp.

namespace {

int64_t sum(const std::vector<int32_t>& s) { return std::accumulate(s.begin(), s.end(), int64_t{0}); }

std::vector<int32_t> tone(double rate, double frequency, double duration, uint32_t attenuation, int32_t width)
{
    return plainTone(rate, frequency, duration, attenuation, width, 512);
}

}  // namespace

TEST(SineCore, LevelsWindowsAndSampleRule)
{
    const struct { uint32_t attenuation; int32_t width; double level; } levels[] = {
        {0, 16, 2147352574.0}, {0, 24, 8388605.0}, {0, 32, 2147483645.0}, {0, 8, 2147483645.0},
        {1, 32, 1913946815.015614}, {1, 16, 1913946815.015614}, {1, 24, 7476353.8583852565},
        {90, 24, 265.27104516031903}};
    for (const auto& l : levels)
        EXPECT_EQ(toneLevel(l.attenuation, l.width), l.level) << l.attenuation;
    for (const std::vector<double>& expected :
         {std::vector<double>{0.9999999999999999}, {0.9999999999999999, 0.33999999999984465},
          {0.9999999999999999, 0.7735533905931411, 0.33999999999984465, 0.06644660940665613}}) {
        std::vector<double> window(expected.size());
        fadeWindow(window.data(), uint32_t(window.size()), 1.0);
        EXPECT_EQ(window, expected);
    }
    for (const auto& [in, out] : {std::pair{-0.7, 0}, {-1.9, -1}, {2147483644.9, 2147483644}})
        EXPECT_EQ(truncateSample(in), out) << in;
}

TEST(Tone, BlockLayoutsAndZeroSums)
{
    // Fade length, where the body ends and how many blocks are rendered;
    // nothing but zeros follows the fade-out.
    struct Layout { double frequency, duration; int32_t width; uint32_t fade, bodyEnd, blocks; };
    for (const Layout& c : {Layout{1000, 1.0, 24, 440, 43660, 87},  // body ends after an upward crossing
                            Layout{10, 0.2, 16, 4409, 4411, 18}}) {  // two body samples
        const std::vector<int32_t> s = tone(44100, c.frequency, c.duration, 0, c.width);
        ToneLayout layout = planTone(44100, c.frequency, c.duration, 512);
        if (layout.bodyEnd + 1 == c.bodyEnd)
            layout = lengthenBody(layout, 512);
        EXPECT_EQ(layout.fadeLength, c.fade) << c.frequency;
        EXPECT_EQ(layout.bodyEnd, c.bodyEnd) << c.frequency;
        ASSERT_EQ(s.size(), c.blocks * 512) << c.frequency;
        EXPECT_TRUE(std::all_of(s.begin() + c.fade + c.bodyEnd, s.end(), [](int32_t v) { return v == 0; }));
    }
    // Refused (no blocks): 441 samples fit one block, and one cycle is too
    // few; 1.5 cycles round up to 2, 600 samples are more than one block
    // (real division), and half of 0.03 s is exactly the 10 ms fade.
    for (const auto& [rate, frequency, duration, blocks] :
         {std::tuple{44100.0, 1000.0, 0.01, 0u}, {44100.0, 10.0, 0.1, 0u}, {44100.0, 10.0, 0.15, 18u},
          {48000.0, 400.0, 0.0125, 2u}, {44100.0, 100.0, 0.03, 3u}})
        EXPECT_EQ(tone(rate, frequency, duration, 0, 32).size(), blocks * 512) << frequency << " Hz " << duration;
    // Tones up to 10 s sum to zero, the correction spread (the first two) or
    // trimmed; longer ones are not corrected.
    for (const auto& [rate, frequency, duration, width, attenuation] :
         {std::tuple{44100.0, 1000.0, 1.0, 24, 0}, {44100.0, 61.7, 0.37, 16, 1}, {48000.0, 4321.5, 4.2, 24, 12},
          {96000.0, 22050.0, 10.0, 32, 1}, {48000.0, 440.0, 1.0, 16, 20}})
        EXPECT_EQ(sum(tone(rate, frequency, duration, attenuation, width)), 0) << frequency << " " << duration;
    EXPECT_NE(sum(tone(44100.0, 1000.0, 10.5, 0, 24)), 0);
}

TEST(Tone, TrimPointsAndCorrections)
{
    // 997 Hz for 2 s at 96000 Hz: the last fade-in sample (960), the last
    // sample of each of the 371 whole body blocks, the first fade-out sample
    // (191038) and the tone's last one (191998), the final trim point.
    ToneLayout layout = planTone(96000.0, 997.0, 2.0, 512);
    if (layout.exact)
        layout = lengthenBody(layout, 512);
    std::vector<uint32_t> points;
    for (uint32_t i = 0; i < layout.length; ++i)
        if (isTrimPoint(layout, 512, i))
            points.push_back(i);
    ASSERT_EQ(points.size(), 373u);
    EXPECT_EQ(trimCapacity(layout, 512), 371u);
    EXPECT_EQ(std::vector<uint32_t>(points.begin(), points.begin() + 2), (std::vector<uint32_t>{960, 1535}));
    EXPECT_EQ(points.back(), 191038u);
    EXPECT_EQ(layout.length - 1, 191998u);
    // A sum within the capacity and three is trimmed unit by unit, a larger
    // one spread; the spread's leftover is rounded up from 0.9.
    EXPECT_EQ(dcCorrectionFor(-374, 371, 1000).trim, 374);
    EXPECT_TRUE(dcCorrectionFor(375, 371, 1000).spread);
    for (const auto& [accumulator, rest] : {std::pair{0.95, 1}, {0.85, 0}, {-0.93, -1}})
        EXPECT_EQ(dcRest(accumulator), rest) << accumulator;
    int32_t trim = 2, sample = 0;
    trimPoint(trim, sample);
    trimPoint(trim, sample);  // the last unit waits for the final trim point
    finalTrimPoint(trim, sample);
    EXPECT_EQ(std::pair(trim, sample), std::pair(0, 2));
}

TEST(Tone, DcShiftNeverCarriesAPeakPastTheWidth)
{
    // At 0 dB a low tone's correction is thousands of units per sample, while
    // its peaks lie 2 units below full scale.
    for (const auto& [width, frequency, duration, peak] :
         {std::tuple{24, 10.0, 1.0, 8388607}, {32, 10.0, 1.0, 2147483647}, {16, 50.0, 0.05, 2147418113}}) {
        const std::vector<int32_t> s = tone(44100.0, frequency, duration, 0, width);
        const auto [low, high] = std::minmax_element(s.begin(), s.end());
        EXPECT_EQ(std::max(int64_t{*high}, -int64_t{*low}), peak);
        EXPECT_LT(std::llabs(sum(s)), int64_t{1} << 31);  // nothing wrapped
    }
}

TEST(Sweep, BlockCountsPhaseAndLastBlockFrequency)
{
    EXPECT_EQ(planSweep(44100.0, 20.0, 20000.0, 10.0, 512).phaseStep, 0.0028495171461133785);
    struct Case { double rate, start, end, duration; uint32_t blocks; double lastFrequency; };
    for (const Case& c : {Case{44100.0, 20.0, 20000.0, 10.0, 862, 19976.82},
                          Case{48000.0, 1000.0, 100.0, 1.0, 95, 109.47},
                          Case{48000.0, 1000.0, 1000.0, 0.5, 48, 1000.0}}) {
        const SweepPlan plan = planSweep(c.rate, c.start, c.end, c.duration, 512);
        EXPECT_EQ(plan.blocks, c.blocks);
        double phase = 0.0, step = plan.phaseStep;
        std::vector<double> phases(512);
        for (uint32_t b = 0; b + 1 < c.blocks; ++b) {
            sweepBlockPhases(phase, step, plan.sweepStep, false, phases.data(), 512);
            ASSERT_TRUE(phase >= 0.0 && phase < kCircle);
        }
        EXPECT_NEAR(step * c.rate / kCircle, c.lastFrequency, 0.01);
        const std::vector<int32_t> s = plainSweep(c.rate, c.start, c.end, c.duration, 0, 32, 512);
        ASSERT_EQ(s.size(), c.blocks * 512);
        EXPECT_EQ(s[0], 0);
        EXPECT_LT(std::abs(s.back()), 2147483645 / 100);  // faded out
    }
}
