#include "pink_noise.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "seed_clock.h"

// The lane types are passed only between always-inlined helpers of this file.
#pragma GCC diagnostic ignored "-Wpsabi"

PinkNoiseGenerator::PinkNoiseGenerator() : source(new (std::nothrow) PinkNoiseSource)
{
    if (source)
        source->lcgState = seedTimeNow();
}

PinkNoiseGenerator::~PinkNoiseGenerator() = default;

void PinkNoiseGenerator::configurePink(uint32_t rate, int32_t width, double duration,
                                       uint32_t attenuation)
{
    uint32_t count = 0;
    if (!acceptRequest(source != nullptr, rate, width, duration, count))
        return;
    // 1/0.56245: the output's peak of 0.5625 maps to just above the level.
    sampleScale = noiseLevel(attenuation, width) * 1.777935816517;
    remainingSamples = count;
    // Only the random word restarts; rows, sum and counter carry over.
    source->lcgState = seedTimeNow();
    active_ = true;
}

namespace {

// Four values side by side.
typedef float Floats __attribute__((vector_size(16)));
typedef double Doubles __attribute__((vector_size(32)));
typedef int32_t Whole __attribute__((vector_size(16)));

// The samples of pink values: each scaled in double and truncated. At 0 dB
// a sample can pass full scale by a few units; it is clipped there, since
// reducing it to the width's low bits would flip its sign. fullScale is a
// whole number, so clipping before the truncating conversion gives what
// truncating first would. Four values a step, the rest one by one.
template <bool Sixteen>
__attribute__((always_inline)) inline void scaleBody(const float* values, int32_t* samples, uint32_t n,
                                                     double scale, double fullScale)
{
    uint32_t i = 0;
    for (; i + 4 <= n; i += 4) {
        Floats f;
        std::memcpy(&f, values + i, sizeof f);
        Doubles v = __builtin_convertvector(f, Doubles) * scale;
        v = v < -fullScale ? -fullScale : v;
        v = fullScale < v ? fullScale : v;
        Whole w = __builtin_convertvector(v, Whole);
        if (Sixteen)
            w = (w << 16) >> 16;
        std::memcpy(samples + i, &w, sizeof w);
    }
    for (; i < n; ++i) {
        const double v = static_cast<double>(values[i]) * scale;
        const auto sample = static_cast<int32_t>(std::clamp(v, -fullScale, fullScale));
        samples[i] = Sixteen ? static_cast<int16_t>(sample) : sample;
    }
}

// Compiled for AVX2 and for the baseline; both give the same samples.
template <bool Sixteen>
__attribute__((target("avx2"))) void scaleAvx2(const float* v, int32_t* s, uint32_t n, double scale, double full)
{
    scaleBody<Sixteen>(v, s, n, scale, full);
}
template <bool Sixteen>
void scaleBaseline(const float* v, int32_t* s, uint32_t n, double scale, double full)
{
    scaleBody<Sixteen>(v, s, n, scale, full);
}

using ScaleKernel = void (*)(const float*, int32_t*, uint32_t, double, double);
struct ScaleKernels {
    ScaleKernel sixteen;
    ScaleKernel wide;
};

// Chosen during static initialisation, like the dither's kernel.
const ScaleKernels scaleKernels = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? ScaleKernels{scaleAvx2<true>, scaleAvx2<false>}
                                          : ScaleKernels{scaleBaseline<true>, scaleBaseline<false>};
}();

// The samples of one block: the pink values of a stretch in order, then
// their samples. The state is a local copy, so that the compiler can keep it
// in registers: the int32_t samples could otherwise alias its unsigned words.
void fillPink(PinkNoiseSource& state, int32_t* samples, uint32_t n, double scale, double fullScale, bool sixteen)
{
    constexpr uint32_t kStretch = 256;
    float values[kStretch];
    const ScaleKernel kernel = sixteen ? scaleKernels.sixteen : scaleKernels.wide;
    for (uint32_t done = 0; done < n;) {
        const uint32_t m = std::min(n - done, kStretch);
        for (uint32_t i = 0; i < m; ++i)
            values[i] = state.nextPinkSample();
        kernel(values, samples + done, m, scale, fullScale);
        done += m;
    }
}

}  // namespace

void PinkNoiseGenerator::fillPinkBlock(int32_t* samples, uint32_t count)
{
    const uint32_t n = beginBlock(samples, count);
    PinkNoiseSource state = *source;
    fillPink(state, samples, n, sampleScale, noiseLevel(0, bitWidth), bitWidth == 16);
    *source = state;
}
