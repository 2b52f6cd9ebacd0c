#include "kernel_set.h"

#include <gtest/gtest.h>

TEST(KernelSet, SettingChoosesTheSet)
{
    for (const bool avx2 : {false, true}) {
        const KernelSet best = avx2 ? KernelSet::Avx2 : KernelSet::Baseline;
        EXPECT_EQ(kernelSetFor(nullptr, avx2), best);
        EXPECT_EQ(kernelSetFor("", avx2), best);
        EXPECT_EQ(kernelSetFor("native", avx2), best);
        EXPECT_EQ(kernelSetFor("baseline", avx2), KernelSet::Baseline);
        EXPECT_EQ(kernelSetFor("avx512", avx2), std::nullopt);
        EXPECT_EQ(kernelSetFor("Baseline", avx2), std::nullopt);
    }
}

// The build must not fuse a multiplication and an addition into one rounding
// on any target (some compilers do by default where the CPU has the
// instruction): (1 + 2^-27)(1 - 2^-27) rounds to 1, so the sum is 0 with two
// roundings and -2^-54 with one.
TEST(KernelSet, MultiplyThenAddRoundsTwice)
{
    volatile double a = 1.0 + 0x1p-27, b = 1.0 - 0x1p-27, c = -1.0;
    const double x = a, y = b, z = c;
    EXPECT_EQ(x * y + z, 0.0);
}
