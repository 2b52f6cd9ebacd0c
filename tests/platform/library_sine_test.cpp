#include <gtest/gtest.h>

#include <cmath>

#include "library_sine.h"

namespace {

// Phases a long high tone reaches, with the sine glibc gives for each: the
// library's sine the samples are defined by, on every system (MinGW-w64's
// own sin is tens of units in the last place off at these).
TEST(LibrarySine, LargePhasesGiveGlibcsValues)
{
    const struct { double phase, sine; } cases[] = {
        {0x1.233bd27302edfp+23, -0x1.fdc566bfbe99ap-1}, {-0x1.a010bba4ca1e5p+21, 0x1.3acd98de1b67ap-1},
        {0x1.33778afa90d53p+23, 0x1.53de949c131dfp-1},  {0x1.6b618a434122cp+22, 0x1.74266d97062d7p-1},
        {-0x1.23c3c483e3157p+23, -0x1.e2550df01ff6dp-1}, {0x1.7ac8fdd227336p+22, 0x1.d2e13665eb3fp-3},
        {0x1.7f4881f855a8bp+23, -0x1.acc2d09a550e4p-2}, {-0x1.ba126bdd975d8p+22, -0x1.54763ac54c6cp-2},
        {0x1.6e82f7b8d3a03p+23, 0x1.f05461a83bbbbp-1},  {0x1.62f15fddd07e1p+21, -0x1.497382b36a0a2p-2},
        {-0x1.e8eaa811b39f4p+20, -0x1.0bd2dcd474c28p-1}, {0x1.3402d42884995p+23, -0x1.3fbaf65b80e99p-1},
        {0.5, 0x1.eaee8744b05fp-2}, {-3.0, -0x1.210386db6d55bp-3}};
    for (const auto& c : cases)
        EXPECT_EQ(platform::librarySine(c.phase), c.sine) << std::hexfloat << c.phase;
    EXPECT_TRUE(std::isnan(platform::librarySine(INFINITY)));
}

}  // namespace
