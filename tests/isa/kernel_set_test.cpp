#include "kernel_set.h"

#include <gtest/gtest.h>

#include <cstdlib>
#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

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

// The default run uses the vector kernels wherever the CPU has them, by the
// CPU's own answer (its identification and the system's saving of the wide
// registers) rather than the check the choice makes.
TEST(KernelSet, DefaultIsTheCpusBest)
{
#if defined(__x86_64__) || defined(__i386__)
    if (const char* setting = std::getenv("VELTRANE_ISA"); setting && *setting)
        GTEST_SKIP() << "VELTRANE_ISA=" << setting << " chooses the kernels";
    unsigned a = 0, b = 0, c = 0, d = 0;
    bool avx2 = __get_cpuid_count(7, 0, &a, &b, &c, &d) && (b & bit_AVX2) != 0 && __get_cpuid(1, &a, &b, &c, &d) &&
                (c & bit_OSXSAVE) != 0;
    if (avx2) {
        unsigned low = 0, high = 0;
        __asm__("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
        avx2 = (low & 6u) == 6u;  // the system saves the SSE and AVX registers
    }
    if (!avx2)
        GTEST_SKIP() << "this CPU has no AVX2 the system lets programs use: the baseline kernels are its best";
    EXPECT_EQ(kernelSet(), KernelSet::Avx2);
#else
    GTEST_SKIP() << "only x86 builds carry a second kernel set";
#endif
}
