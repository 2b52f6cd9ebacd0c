#include "pink_noise.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "kernel_set.h"
#include "seed_clock.h"

// The lane types are passed only between always-inlined helpers of this file.
#pragma GCC diagnostic ignored "-Wpsabi"

PinkNoiseGenerator::PinkNoiseGenerator() : source(new (std::nothrow) PinkNoiseSource)
{
    if (source)
        source->lcgState = seedTimeNow();
}

PinkNoiseGenerator::~PinkNoiseGenerator() = default;

bool PinkNoiseGenerator::configurePink(uint32_t rate, int32_t width, double duration,
                                       uint32_t attenuation)
{
    uint32_t count = 0;
    if (!source)
        return false;
    if (!acceptRequest(rate, width, duration, count))
        return true;
    // 1/0.56245: the output's peak of 0.5625 maps to just above the level.
    sampleScale = noiseLevel(attenuation, width) * 1.777935816517;
    remainingSamples = count;
    // Only the random word restarts; rows, sum and counter carry over.
    source->lcgState = seedTimeNow();
    active_ = true;
    return true;
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

// Compiled for the baseline and, on x86, for AVX2; both give the same samples.
#if defined(__x86_64__) || defined(__i386__)
template <bool Sixteen>
__attribute__((target("avx2"))) void scaleAvx2(const float* v, int32_t* s, uint32_t n, double scale, double full)
{
    scaleBody<Sixteen>(v, s, n, scale, full);
}
#endif
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
#if defined(__x86_64__) || defined(__i386__)
    if (kernelSet() == KernelSet::Avx2)
        return ScaleKernels{scaleAvx2<true>, scaleAvx2<false>};
#endif
    return ScaleKernels{scaleBaseline<true>, scaleBaseline<false>};
}();

// The congruential steps of eight draws taken as one (mod 2^32), and the
// multipliers and increments that reach the first eight states from one.
struct EightSteps {
    uint32_t multipliers[8], increments[8];
};
constexpr EightSteps kEightSteps = [] {
    EightSteps e{};
    uint32_t m = 1, c = 0;
    for (int j = 0; j < 8; ++j) {
        m *= kLcgMultiplier;
        c = c * kLcgMultiplier + kLcgIncrement;
        e.multipliers[j] = m;
        e.increments[j] = c;
    }
    return e;
}();

typedef uint32_t Words8 __attribute__((vector_size(32)));
typedef float Floats8 __attribute__((vector_size(32)));

// The count (a multiple of 8) states that follow state, in order, and the
// uniform value of each, eight at a time: the states are the congruential
// sequence whatever the pink rows take from it.
__attribute__((always_inline)) inline void drawBody(uint32_t state, uint32_t* words, float* uniforms,
                                                    uint32_t count)
{
    Words8 multiplier, increment, w;
    std::memcpy(&multiplier, kEightSteps.multipliers, sizeof multiplier);
    std::memcpy(&increment, kEightSteps.increments, sizeof increment);
    w = multiplier * state + increment;
    const uint32_t eighth = kEightSteps.multipliers[7], eighthIncrement = kEightSteps.increments[7];
    for (uint32_t k = 0; k < count; k += 8) {
        std::memcpy(words + k, &w, sizeof w);
        const Floats8 f = reinterpret_cast<Floats8>(conversionWordOf(w));
        const Floats8 u = (f - 3.0f) * 0.5f;
        std::memcpy(uniforms + k, &u, sizeof u);
        w = w * eighth + eighthIncrement;
    }
}

#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx2"))) void drawAvx2(uint32_t state, uint32_t* words, float* uniforms, uint32_t count)
{
    drawBody(state, words, uniforms, count);
}
#endif
void drawBaseline(uint32_t state, uint32_t* words, float* uniforms, uint32_t count)
{
    drawBody(state, words, uniforms, count);
}

using DrawKernel = void (*)(uint32_t, uint32_t*, float*, uint32_t);
const DrawKernel drawKernel = [] {
#if defined(__x86_64__) || defined(__i386__)
    if (kernelSet() == KernelSet::Avx2)
        return drawAvx2;
#endif
    return drawBaseline;
}();

// The samples of a block are made in stretches of this many.
constexpr uint32_t kStretch = 256;

// The draws of a stretch, made ahead: a sample takes two, and one more for
// each renewal refused; past these the stretch draws more.
struct Draws {
    static constexpr uint32_t kSize = 2 * kStretch + 64;
    uint32_t words[kSize];
    float uniforms[kSize];
    uint32_t count = 0;
};

// Draws count states from state into draws, from its start.
void drawAhead(Draws& draws, uint32_t state, uint32_t count)
{
    draws.count = std::min<uint32_t>((count + 7) / 8 * 8, Draws::kSize);
    drawKernel(state, draws.words, draws.uniforms, draws.count);
}

// A renewal that took the sum out of bounds: as nextPinkSample does, the sum
// is undone and the row drawn again from the next draw, until one fits.
// Keeps enough draws made for this sample's white value and the left
// samples' two each (drawing more, from the state before next, where they
// ran short) and answers the sum and the row's accepted draw.
struct Redrawn {
    float sum;
    uint32_t next;
};
[[gnu::noinline]] Redrawn redraw(Draws& draws, uint32_t next, uint32_t left, float sum, float diff, float old,
                                 float& row)
{
    for (;;) {
        sum = sum - diff;
        ++next;
        if (next + 2 * left + 1 >= draws.count) {
            drawAhead(draws, draws.words[next - 1], 2 * left + 64);
            next = 0;
        }
        const float renewed = draws.uniforms[next];
        row = renewed;
        diff = renewed - old;
        const float tried = sum + diff;
        if (tried >= -4.0f && tried <= 4.0f)
            return {tried, next};
        sum = tried;
    }
}

// The samples of one block: the pink values of a stretch in order, then
// their samples. Each value is what PinkNoiseSource::nextPinkSample gives,
// its draws taken from those made ahead. The state is worked on in locals,
// which the compiler can keep in registers: the int32_t samples could
// otherwise alias its unsigned words.
void fillPink(PinkNoiseSource& state, int32_t* samples, uint32_t n, double scale, double fullScale, bool sixteen)
{
    if (n == 0)  // nothing drawn: the source stays as it is
        return;
    float values[kStretch];
    float rows[16];
    std::memcpy(rows, state.rows, sizeof rows);
    Draws draws;
    const ScaleKernel kernel = sixteen ? scaleKernels.sixteen : scaleKernels.wide;
    float runningSum = state.runningSum;
    uint32_t counter = state.rowCounter;
    uint32_t lcgState = state.lcgState;
    for (uint32_t done = 0; done < n;) {
        const uint32_t m = std::min(n - done, kStretch);
        drawAhead(draws, lcgState, 2 * m + 8);
        uint32_t next = 0;  // the draw a row takes next; the white value takes the one after
        for (uint32_t i = 0; i < m; ++i) {
            // A counter of 0 counts 32 trailing zeros, as in nextPinkSample.
            const unsigned row = static_cast<unsigned>(std::countr_zero(counter | (uint64_t{1} << 32))) % 16;
            const float old = rows[row];
            const float renewed = draws.uniforms[next];
            rows[row] = renewed;
            const float diff = renewed - old;
            float sum = runningSum + diff;
            if (!(sum >= -4.0f && sum <= 4.0f)) [[unlikely]] {
                const Redrawn r = redraw(draws, next, m - i - 1, sum, diff, old, rows[row]);
                sum = r.sum;
                next = r.next;
            }
            runningSum = sum;
            ++counter;
            values[i] = (runningSum + draws.uniforms[next + 1]) * 0.125f;
            next += 2;
        }
        lcgState = draws.words[next - 1];
        kernel(values, samples + done, m, scale, fullScale);
        done += m;
    }
    std::memcpy(state.rows, rows, sizeof rows);
    state.runningSum = runningSum;
    state.rowCounter = counter;
    state.lcgState = lcgState;
    state.conversionWord = conversionWordOf(lcgState);
}

}  // namespace

void PinkNoiseGenerator::fillPinkBlock(int32_t* samples, uint32_t count)
{
    const uint32_t n = beginBlock(samples, count);
    fillPink(*source, samples, n, sampleScale, noiseLevel(0, bitWidth), bitWidth == 16);
}
