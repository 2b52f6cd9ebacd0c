#include "kernel_set.h"

#include <cfloat>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

// Every sample is defined in IEEE binary64 arithmetic, each operation rounded
// to nearest on its own. A target that keeps wider intermediates or whose
// double is another format would give other samples: refuse to build there.
static_assert(FLT_EVAL_METHOD == 0, "intermediate results must be rounded to their own type");
static_assert(std::numeric_limits<double>::is_iec559 && std::numeric_limits<double>::digits == 53,
              "double must be IEEE binary64");

namespace {

bool cpuHasAvx2()
{
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

bool cpuHasSha()
{
#if defined(__x86_64__) || defined(__i386__)
    // Asked of the CPU directly: not every compiler's __builtin_cpu_supports
    // knows "sha". SHA is leaf 7's EBX bit 29, SSE4.1 leaf 1's ECX bit 19.
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & (1u << 19)))
        return false;
    return __get_cpuid_count(7, 0, &a, &b, &c, &d) && (b & (1u << 29));
#else
    return false;
#endif
}

KernelSet chooseKernelSet()
{
    const char* setting = std::getenv("VELTRANE_ISA");
    const bool avx2 = cpuHasAvx2();
    if (const auto set = kernelSetFor(setting, avx2))
        return *set;
    std::fprintf(stderr, "VELTRANE_ISA=%s is not known (use baseline or native); using native\n", setting);
    return *kernelSetFor(nullptr, avx2);
}

}  // namespace

std::optional<KernelSet> kernelSetFor(const char* setting, bool cpuHasAvx2)
{
    const KernelSet best = cpuHasAvx2 ? KernelSet::Avx2 : KernelSet::Baseline;
    if (!setting || !*setting || std::strcmp(setting, "native") == 0)
        return best;
    if (std::strcmp(setting, "baseline") == 0)
        return KernelSet::Baseline;
    return std::nullopt;
}

KernelSet kernelSet()
{
    static const KernelSet chosen = chooseKernelSet();
    return chosen;
}

bool shaExtensions()
{
    // An unknown setting means native, as for kernelSet(), which reports it.
    static const bool usable = kernelSetFor(std::getenv("VELTRANE_ISA"), true).value_or(KernelSet::Avx2) !=
                                   KernelSet::Baseline &&
                               cpuHasSha();
    return usable;
}
