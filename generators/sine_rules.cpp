#include "sine_rules.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {
// Lengths in samples are counted in 32 bits; longer requests are refused.
constexpr double kMostSamples = 4294967295.0;

bool fitsOneBlock(double samples, uint32_t blockSize)
{
    return std::ceil(samples / static_cast<double>(blockSize)) < 2.0;
}
}  // namespace

void fadeWindow(double* window, uint32_t n, double scale)
{
    const double d = static_cast<double>(static_cast<uint32_t>(2 * n));
    for (uint32_t k = 0; k < n; ++k) {
        const double t = static_cast<double>(static_cast<uint32_t>(n + k)) / d;
        const double a = 0.42 - 0.5 * std::cos(kCircle * t);
        window[k] = (0.08 * std::cos(kDoubleCircle * t) + a) * scale;
    }
}

ToneLayout planTone(double sampleRate, double frequency, double duration, uint32_t blockSize)
{
    ToneLayout layout;
    const double period = 1.0 / frequency;
    const double spc = sampleRate / frequency;  // samples per cycle
    const double cyclesExact = frequency * duration;
    // Requests outside what the engine admits that would break the counting below.
    if (!(spc > 0.0 && spc < kMostSamples && cyclesExact > 0.0 && cyclesExact < kMostSamples))
        return layout;
    double wholeCycles;
    const double cycleFraction = std::modf(cyclesExact, &wholeCycles);
    uint32_t cycles = static_cast<uint32_t>(wholeCycles);
    if (cycleFraction >= 0.5)
        ++cycles;
    if (cycles < 2)
        return layout;

    const double t = static_cast<double>(cycles) * spc;
    const double wholeT = std::floor(t);
    if (!(wholeT < kMostSamples - 4.0 * blockSize))
        return layout;
    layout.exact = std::fmod(t, wholeT) == 0.0;
    if (fitsOneBlock(wholeT, blockSize))
        return layout;

    const uint32_t halfCycles = cycles / 2;
    uint32_t fadeCycles = halfCycles;
    if (static_cast<double>(halfCycles) * period > 0.01) {
        double tenMsCycles;
        if (std::modf(0.01 * frequency, &tenMsCycles) > 0.0)
            tenMsCycles += 1.0;
        if (tenMsCycles < static_cast<double>(halfCycles))
            fadeCycles = static_cast<uint32_t>(tenMsCycles);
    }
    const double fadeSpan = std::floor(static_cast<double>(fadeCycles) * spc);
    if (fadeSpan < 2.0)  // a frequency above half the rate leaves no fade
        return layout;
    layout.fadeLength = static_cast<uint32_t>(fadeSpan) - 1;

    // The body ends where all but the fade-out's cycles have elapsed.
    layout.bodyEnd = static_cast<uint32_t>(std::floor(static_cast<double>(cycles - fadeCycles) * spc));
    if (!layout.exact)
        ++layout.bodyEnd;
    layout.length = layout.fadeLength + layout.bodyEnd;
    if (layout.length < 2 * layout.fadeLength + 2) {  // at least two body samples
        ++layout.bodyEnd;
        ++layout.length;
    }
    layout.phaseStep = kCircle / (sampleRate / frequency);
    layout.accepted = !fitsOneBlock(layout.length, blockSize);
    return layout;
}

ToneLayout lengthenBody(ToneLayout layout, uint32_t blockSize)
{
    ++layout.bodyEnd;
    layout.length = layout.fadeLength + layout.bodyEnd;
    layout.accepted = layout.accepted && !fitsOneBlock(layout.length, blockSize);
    return layout;
}

uint32_t trimCapacity(const ToneLayout& layout, uint32_t blockSize)
{
    const uint32_t a = layout.fadeLength / blockSize;
    const uint32_t b = layout.fadeLength % blockSize;
    const uint32_t bodyEndBlock = layout.bodyEnd / blockSize;
    if (bodyEndBlock < a)
        return 0;
    uint32_t k = bodyEndBlock - a;
    if (k != 0 && b != 0)
        --k;
    return k;
}

bool isTrimPoint(const ToneLayout& layout, uint32_t blockSize, uint32_t i)
{
    const uint32_t fade = layout.fadeLength;
    const uint32_t bodyEndBlock = layout.bodyEnd / blockSize;
    // The block in which the fade-in is over and the body starts: the one
    // after the fade-in's last when that fills its block to the end.
    const uint32_t first = fade % blockSize == 0 ? fade / blockSize : (fade - 1) / blockSize;
    if (i == fade - 1 || i == layout.bodyEnd)
        return true;
    if (first == bodyEndBlock)
        return i == layout.bodyEnd - 1;
    // Whole body blocks end on one; so does the first body block when the
    // body starts at its beginning.
    const uint32_t block = i / blockSize;
    const bool wholeBlock = block < bodyEndBlock && (block > first || fade % blockSize == 0);
    return wholeBlock && i % blockSize == blockSize - 1;
}

DcCorrection dcCorrectionFor(int32_t trialSum, uint32_t capacity, uint32_t length)
{
    DcCorrection c;
    const int64_t magnitude = std::llabs(static_cast<int64_t>(trialSum));
    if (magnitude > 0 && magnitude <= static_cast<int64_t>(capacity) + 3) {
        c.trim = -trialSum;
    } else if (magnitude > 0) {
        c.dcStep = -(static_cast<double>(trialSum) / static_cast<double>(length));
        c.spread = true;
    }
    return c;
}

int32_t dcRest(double accumulator)
{
    const int32_t rest = static_cast<int32_t>(std::floor(std::fabs(accumulator) + 0.1));
    return accumulator < 0.0 ? -rest : rest;
}

void finalTrimPoint(int32_t& trim, int32_t& sample)
{
    if (trim < 0) {
        ++trim;
        --sample;
    } else if (trim > 0) {
        --trim;
        ++sample;
    }
}

void trimPoint(int32_t& trim, int32_t& sample)
{
    if (std::abs(trim) > 1)
        finalTrimPoint(trim, sample);
}

int32_t dcSampleLimit(int32_t width)
{
    return width == 16 ? 2147418113 : width == 24 ? 8388607 : 2147483647;
}

SweepPlan planSweep(double sampleRate, double startFrequency, double endFrequency, double duration,
                    uint32_t blockSize)
{
    SweepPlan plan;
    const double rounded = std::floor(sampleRate * duration / static_cast<double>(blockSize) + 0.5);
    if (!(rounded >= 2.0 && (rounded + 1.0) * blockSize <= kMostSamples))
        return plan;
    plan.blocks = static_cast<uint32_t>(rounded) + 1;
    const double inc0 = kCircle / (sampleRate / startFrequency);
    const double inc1 = kCircle / (sampleRate / endFrequency);
    plan.phaseStep = inc0;
    plan.sweepStep = (inc0 - inc1) / static_cast<double>(plan.blocks * blockSize);
    plan.accepted = true;
    return plan;
}
