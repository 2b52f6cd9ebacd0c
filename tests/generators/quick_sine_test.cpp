#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "quick_sine.h"

namespace {

TEST(QuickSine, ValuesStayWellWithinTheirBoundOfTheLibrarys)
{
    std::mt19937_64 random(7);
    std::vector<double> x(20000), s(x.size()), c(x.size());
    // Up to the largest phase a tone reaches (22050 Hz for 120 s) and past it.
    for (const double range : {7.0, 1e3, 2e7, kQuickSineLimit}) {
#ifdef _WIN32
        // MinGW-w64's sin and cos lose accuracy on large arguments (45 ulp
        // at 4.4e6), so they are no reference there; the Windows files are
        // compared with Linux's byte for byte instead.
        if (range > 1e3)
            continue;
#endif
        std::uniform_real_distribution<double> pick(-range, range);
        for (double& v : x)
            v = pick(random);
        quickSinesCosines(x.data(), s.data(), c.data(), static_cast<uint32_t>(x.size()));
        for (size_t i = 0; i < x.size(); ++i) {
            ASSERT_LE(std::fabs(s[i] - std::sin(x[i])), kQuickSineBound / 16) << x[i];
            ASSERT_LE(std::fabs(c[i] - std::cos(x[i])), kQuickSineBound / 16) << x[i];
        }
    }
    const double outside[] = {2 * kQuickSineLimit, -1e300, NAN, INFINITY};
    double sines[4];
    quickSines(outside, sines, 4);
    for (double v : sines)
        EXPECT_TRUE(std::isnan(v));
}

// Values made to fall within a hair of where the rounding changes: there the
// quick values cannot decide and the library's must be taken.
TEST(QuickSine, SamplesNextToAWholeNumberComeOutAsTheLibrarysGive)
{
    std::mt19937_64 random(11);
    const double gain = 2147483645.0;
    std::uniform_int_distribution<int32_t> whole(-2147483600, 2147483600);
    std::uniform_int_distribution<int> turns(0, 100000);
    std::vector<double> phases;
    for (int i = 0; i < 3000; ++i) {
        const double p = std::asin(whole(random) / gain);
        phases.push_back(i % 3 == 0 ? p : i % 3 == 1 ? p + 6.283185307179586 * turns(random) : 3.0 - p);
    }
    std::vector<int32_t> samples(phases.size());
    truncatedSines(phases.data(), samples.data(), static_cast<uint32_t>(phases.size()), gain);
    for (size_t i = 0; i < phases.size(); ++i)
        ASSERT_EQ(samples[i], static_cast<int32_t>(std::sin(phases[i]) * gain)) << phases[i];

    // White noise: cos and sin of the angle x radius / normaliser x scale,
    // rounded half away from zero.
    const double normaliser = 6.66, scale = 2147483646.0;
    std::uniform_real_distribution<double> radius(0.01, 6.6);
    std::vector<double> angles, radii;
    for (int i = 0; i < 3000; ++i) {
        const double r = radius(random);
        const double target = (whole(random) / 4 + 0.5) / scale * normaliser / r;
        if (std::fabs(target) >= 1.0)
            continue;
        angles.push_back(i % 2 ? std::acos(target) : std::asin(target));
        radii.push_back(r);
    }
    const auto n = static_cast<uint32_t>(angles.size());
    std::vector<int32_t> firsts(n), seconds(n);
    std::unique_ptr<bool[]> settled(new bool[n]);
    gaussianSamples(angles.data(), radii.data(), n, normaliser, scale, firsts.data(), seconds.data(), settled.get());
    const auto rounded = [&](double trig, double r) {
        const double v = trig * r / normaliser * scale;
        return static_cast<int32_t>(v >= 0.0 ? v + 0.5 : v - 0.5);
    };
    int unsettled = 0;
    for (uint32_t i = 0; i < n; ++i) {
        if (!settled[i]) {
            ++unsettled;
            continue;
        }
        ASSERT_EQ(firsts[i], rounded(std::cos(angles[i]), radii[i])) << angles[i];
        ASSERT_EQ(seconds[i], rounded(std::sin(angles[i]), radii[i])) << angles[i];
    }
    EXPECT_GT(unsettled, 0);
}

}  // namespace
