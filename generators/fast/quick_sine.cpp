#include "quick_sine.h"

#include <cmath>
#include <cstring>

#include "library_sine.h"
#include "kernel_set.h"

// The four-lane values below are passed between always-inlined helpers
// only, so the baseline's warning about their calling convention does not apply.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace {

// pi/2 in three parts: the first two short enough that k times them is exact
// for every k below 2^26, the third the next 53 bits.
constexpr double kHalfPi1 = 0x1.921fb54p+0;
constexpr double kHalfPi2 = 0x1.10b461p-30;
constexpr double kHalfPi3 = 0x1.a62633145c06ep-58;
constexpr double kTwoOverPi = 0x1.45f306dc9c883p-1;
// Adding 1.5 x 2^52 rounds a value below 2^51 to a whole number, which then
// stands in the low bits of the sum.
constexpr double kRoundingShift = 0x1.8p52;

// Minimax polynomials of sin and cos on [-pi/4, pi/4] (absolute error below
// 2^-57 there).
constexpr double kS1 = -1.66666666666666324348e-01;
constexpr double kS2 = 8.33333333332248946124e-03;
constexpr double kS3 = -1.98412698298579493134e-04;
constexpr double kS4 = 2.75573137070700676789e-06;
constexpr double kS5 = -2.50507602534068634195e-08;
constexpr double kS6 = 1.58969099521155010221e-10;
constexpr double kC1 = 4.16666666666666019037e-02;
constexpr double kC2 = -1.38888888888741095749e-03;
constexpr double kC3 = 2.48015872894767294178e-05;
constexpr double kC4 = -2.75573143513906633035e-07;
constexpr double kC5 = 2.08757232129817482790e-09;
constexpr double kC6 = -1.13596475577881948265e-11;

// Four values side by side. Every operation is elementwise IEEE double or
// integer arithmetic, so each lane gives what the same scalar steps give;
// on targets without four-lane registers the compiler splits them.
typedef double Lanes __attribute__((vector_size(32)));
typedef int64_t Bits __attribute__((vector_size(32)));
typedef int32_t Whole __attribute__((vector_size(16)));
constexpr int kLanes = 4;

constexpr int64_t kNaNBits = 0x7FF8000000000000;

__attribute__((always_inline)) inline Lanes load(const double* p)
{
    Lanes v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

__attribute__((always_inline)) inline void store(double* p, Lanes v)
{
    std::memcpy(p, &v, sizeof v);
}

__attribute__((always_inline)) inline Lanes select(Bits mask, Lanes yes, Lanes no)
{
    return reinterpret_cast<Lanes>((reinterpret_cast<Bits>(yes) & mask) | (reinterpret_cast<Bits>(no) & ~mask));
}

__attribute__((always_inline)) inline Lanes absolute(Lanes v)
{
    return reinterpret_cast<Lanes>(reinterpret_cast<Bits>(v) & (Bits{} + INT64_MAX));
}

// The phase as k quarter turns and a remainder r, |r| <= pi/4 (a hair more
// where the rounding of x x 2/pi picks the neighbouring k), with sin and
// cos of r. x - k x kHalfPi1 is exact; the later steps lose a few units of
// 2^-54.
struct Reduced {
    Lanes sinR, cosR;
    Bits quarter;  // k modulo 4 in the low two bits
    Bits inRange;  // all bits set where |x| <= kQuickSineLimit
};

__attribute__((always_inline)) inline Reduced reduce(Lanes x)
{
    const Lanes shifted = x * kTwoOverPi + kRoundingShift;
    const Lanes k = shifted - kRoundingShift;
    const Lanes r = ((x - k * kHalfPi1) - k * kHalfPi2) - k * kHalfPi3;
    const Lanes z = r * r;
    Reduced out;
    out.sinR = r + r * z * (kS1 + z * (kS2 + z * (kS3 + z * (kS4 + z * (kS5 + z * kS6)))));
    out.cosR = (1.0 - 0.5 * z) + z * z * (kC1 + z * (kC2 + z * (kC3 + z * (kC4 + z * (kC5 + z * kC6)))));
    out.quarter = reinterpret_cast<Bits>(shifted);
    out.inRange = absolute(x) <= kQuickSineLimit;
    return out;
}

// sin x: sin r, cos r, -sin r, -cos r for k = 0, 1, 2, 3 modulo 4; NaN
// out of range.
__attribute__((always_inline)) inline Lanes sineOf(const Reduced& q)
{
    const Lanes v = select((q.quarter & 1) != 0, q.cosR, q.sinR);
    const Lanes signedV = reinterpret_cast<Lanes>(reinterpret_cast<Bits>(v) ^ ((q.quarter & 2) << 62));
    return select(q.inRange, signedV, reinterpret_cast<Lanes>(Bits{} + kNaNBits));
}

// cos x: cos r, -sin r, -cos r, sin r.
__attribute__((always_inline)) inline Lanes cosineOf(const Reduced& q)
{
    const Lanes v = select((q.quarter & 1) != 0, q.sinR, q.cosR);
    const Lanes signedV = reinterpret_cast<Lanes>(reinterpret_cast<Bits>(v) ^ (((q.quarter + 1) & 2) << 62));
    return select(q.inRange, signedV, reinterpret_cast<Lanes>(Bits{} + kNaNBits));
}

// Runs step on whole groups of four, the last partial group through a
// padded copy.
template <typename Step>
__attribute__((always_inline)) inline void inGroups(const double* in, uint32_t count, Step step)
{
    uint32_t i = 0;
    for (; i + kLanes <= count; i += kLanes)
        step(i, load(in + i), kLanes);
    if (i < count) {
        double padded[kLanes] = {};
        std::memcpy(padded, in + i, sizeof(double) * (count - i));
        step(i, load(padded), count - i);
    }
}

__attribute__((always_inline)) inline void storeSome(double* p, Lanes v, uint32_t n)
{
    if (n == kLanes) {
        store(p, v);
    } else {
        double all[kLanes];
        store(all, v);
        std::memcpy(p, all, sizeof(double) * n);
    }
}

__attribute__((always_inline)) inline void sinesBody(const double* phases, double* sines, uint32_t count)
{
    inGroups(phases, count, [&](uint32_t i, const Lanes& x, uint32_t n) { storeSome(sines + i, sineOf(reduce(x)), n); });
}

__attribute__((always_inline)) inline void sinesCosinesBody(const double* angles, double* sines,
                                                            double* cosines, uint32_t count)
{
    inGroups(angles, count, [&](uint32_t i, const Lanes& x, uint32_t n) {
        const Reduced q = reduce(x);
        storeSome(sines + i, sineOf(q), n);
        storeSome(cosines + i, cosineOf(q), n);
    });
}

// The whole numbers a sine may give stay inside what 32 bits hold.
constexpr double kWholeLimit = 2147483647.0;

__attribute__((always_inline)) inline void truncationBody(const double* phases, int32_t* samples, uint32_t count,
                                                          double factor)
{
    const double reach = std::fabs(factor);
    inGroups(phases, count, [&](uint32_t i, const Lanes& x, uint32_t n) {
        const Lanes s = sineOf(reduce(x));
        const Whole low = __builtin_convertvector((s - kQuickSineBound) * factor, Whole);
        const Whole high = __builtin_convertvector((s + kQuickSineBound) * factor, Whole);
        // NaN fails the range test.
        const Bits settled = __builtin_convertvector(low == high, Bits) & ((absolute(s) + kQuickSineBound) * reach < kWholeLimit);
        std::memcpy(samples + i, &low, sizeof(int32_t) * n);
        for (uint32_t j = 0; j < n; ++j)
            if (!settled[j])
                samples[i + j] = static_cast<int32_t>(platform::librarySine(phases[i + j]) * factor);
    });
}

// g x scale rounded half away from zero, for a positive scale: halfAwayShifted
// (noise_rules.h) in lanes, truncated.
__attribute__((always_inline)) inline Whole halfAway(Lanes g, double scale)
{
    const Lanes v = g * scale;
    return __builtin_convertvector(select(g >= 0.0, v + 0.5, v - 0.5), Whole);
}

__attribute__((always_inline)) inline Bits noiseSamples(Lanes trig, Lanes radii, double normaliser, double scale,
                                                        Whole& sample)
{
    const Lanes lowG = (trig - kQuickSineBound) * radii / normaliser;
    const Lanes highG = (trig + kQuickSineBound) * radii / normaliser;
    sample = halfAway(lowG, scale);
    // NaN fails the range test.
    return __builtin_convertvector(sample == halfAway(highG, scale), Bits) &
           ((absolute(trig) + kQuickSineBound) * radii / normaliser * scale < kWholeLimit - 1.0);
}

__attribute__((always_inline)) inline void noiseBody(const double* angles, const double* radii, uint32_t count,
                                                     double normaliser, double scale, int32_t* firsts,
                                                     int32_t* seconds, bool* settled)
{
    inGroups(angles, count, [&](uint32_t i, const Lanes& x, uint32_t n) {
        const Reduced q = reduce(x);
        Lanes r = {};
        std::memcpy(&r, radii + i, sizeof(double) * n);
        Whole first, second;
        const Bits both = noiseSamples(cosineOf(q), r, normaliser, scale, first) &
                          noiseSamples(sineOf(q), r, normaliser, scale, second);
        for (uint32_t j = 0; j < n; ++j) {
            firsts[i + j] = first[j];
            seconds[i + j] = second[j];
            settled[i + j] = both[j] != 0;
        }
    });
}

struct Kernels {
    void (*sines)(const double*, double*, uint32_t);
    void (*sinesCosines)(const double*, double*, double*, uint32_t);
    void (*truncation)(const double*, int32_t*, uint32_t, double);
    void (*noise)(const double*, const double*, uint32_t, double, double, int32_t*, int32_t*, bool*);
};

// Each kernel compiled for the baseline and, on x86, for AVX2 (four lanes).
// No fused multiply-adds in either: the build forbids contraction, so both
// give the same values.
#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx2"))) void sinesAvx2(const double* p, double* s, uint32_t n) { sinesBody(p, s, n); }
__attribute__((target("avx2"))) void sinesCosinesAvx2(const double* a, double* s, double* c, uint32_t n)
{
    sinesCosinesBody(a, s, c, n);
}
__attribute__((target("avx2"))) void truncationAvx2(const double* p, int32_t* s, uint32_t n, double f)
{
    truncationBody(p, s, n, f);
}
__attribute__((target("avx2"))) void noiseAvx2(const double* a, const double* r, uint32_t n, double normaliser,
                                                double scale, int32_t* f, int32_t* s, bool* ok)
{
    noiseBody(a, r, n, normaliser, scale, f, s, ok);
}
#endif
void noiseBaseline(const double* a, const double* r, uint32_t n, double normaliser, double scale, int32_t* f,
                   int32_t* s, bool* ok)
{
    noiseBody(a, r, n, normaliser, scale, f, s, ok);
}
void sinesBaseline(const double* p, double* s, uint32_t n) { sinesBody(p, s, n); }
void sinesCosinesBaseline(const double* a, double* s, double* c, uint32_t n) { sinesCosinesBody(a, s, c, n); }
void truncationBaseline(const double* p, int32_t* s, uint32_t n, double f) { truncationBody(p, s, n, f); }

// Chosen during static initialisation, like the dither's kernel.
const Kernels kernels = [] {
#if defined(__x86_64__) || defined(__i386__)
    if (kernelSet() == KernelSet::Avx2)
        return Kernels{sinesAvx2, sinesCosinesAvx2, truncationAvx2, noiseAvx2};
#endif
    return Kernels{sinesBaseline, sinesCosinesBaseline, truncationBaseline, noiseBaseline};
}();

}  // namespace

void quickSines(const double* phases, double* sines, uint32_t count)
{
    kernels.sines(phases, sines, count);
}

void quickSinesCosines(const double* angles, double* sines, double* cosines, uint32_t count)
{
    kernels.sinesCosines(angles, sines, cosines, count);
}

void truncatedSines(const double* phases, int32_t* samples, uint32_t count, double factor)
{
    kernels.truncation(phases, samples, count, factor);
}

void gaussianSamples(const double* angles, const double* radii, uint32_t count, double normaliser, double scale,
                     int32_t* firsts, int32_t* seconds, bool* settled)
{
    kernels.noise(angles, radii, count, normaliser, scale, firsts, seconds, settled);
}
