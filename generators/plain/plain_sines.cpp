#include "plain_sines.h"

#include <cmath>

#include "library_sine.h"
#include "level_table.h"
#include "sine_rules.h"

namespace {

// A tone's samples before any correction: the phase advances before each
// sample; the fade-in reads the window downward, the fade-out upward.
class TonePass {
public:
    TonePass(const ToneLayout& layout, double gain) : layout_(layout), gain_(gain), window_(layout.fadeLength)
    {
        fadeWindow(window_.data(), layout.fadeLength, gain);
    }

    int32_t sample(uint32_t i)
    {
        phase_ = phase_ + layout_.phaseStep;
        const uint32_t fade = layout_.fadeLength;
        const double m = i < fade ? window_[fade - 1 - i] : i < layout_.bodyEnd ? gain_ : window_[i - layout_.bodyEnd];
        return truncateSample(platform::librarySine(phase_) * m);
    }

private:
    const ToneLayout& layout_;
    double gain_;
    std::vector<double> window_;
    double phase_ = 0.0;
};

// The sum of a whole pass's samples, wrapping in 32 bits, and its last two
// body samples.
struct Trial {
    int32_t sum = 0;
    int32_t beforeLastBody = 0, lastBody = 0;
};

Trial trialPass(const ToneLayout& layout, double gain)
{
    TonePass pass(layout, gain);
    Trial trial;
    uint32_t sum = 0;
    for (uint32_t i = 0; i < layout.length; ++i) {
        const int32_t s = pass.sample(i);
        sum += static_cast<uint32_t>(s);
        if (i + 2 == layout.bodyEnd)
            trial.beforeLastBody = s;
        if (i + 1 == layout.bodyEnd)
            trial.lastBody = s;
    }
    trial.sum = static_cast<int32_t>(sum);
    return trial;
}

}  // namespace

std::vector<int32_t> plainTone(double sampleRate, double frequency, double duration, uint32_t attenuation,
                               int32_t width, uint32_t blockSize)
{
    ToneLayout layout = planTone(sampleRate, frequency, duration, blockSize);
    if (!layout.accepted)
        return {};
    const double gain = toneLevel(attenuation, width);
    DcCorrection correction;
    if (!(duration > kLongestCorrectedTone)) {
        Trial trial = trialPass(layout, gain);
        // An exact tone's body should end on the first sample after an upward
        // zero crossing, so that the fade-out starts where a cycle starts.
        if (layout.exact && !(trial.beforeLastBody <= 0 && trial.lastBody > 0)) {
            layout = lengthenBody(layout, blockSize);
            if (!layout.accepted)
                return {};
            trial = trialPass(layout, gain);
        }
        correction = dcCorrectionFor(trial.sum, trimCapacity(layout, blockSize), layout.length);
    }

    const uint32_t blocks = (layout.length + blockSize - 1) / blockSize;
    std::vector<int32_t> out(size_t{blocks} * blockSize, 0);
    TonePass pass(layout, gain);
    const int32_t limit = dcSampleLimit(width);
    double accumulator = 0.0;
    for (uint32_t i = 0; i < layout.length; ++i) {
        int32_t s = pass.sample(i);
        if (correction.spread)
            dcStepOn(accumulator, correction.dcStep, s, limit);
        if (isTrimPoint(layout, blockSize, i))
            trimPoint(correction.trim, s);
        if (i + 1 == layout.length && correction.spread)
            s += dcRest(accumulator);
        else if (i + 1 == layout.length)
            finalTrimPoint(correction.trim, s);
        out[i] = s;
    }
    return out;
}

std::vector<int32_t> plainSweep(double sampleRate, double startFrequency, double endFrequency, double duration,
                                uint32_t attenuation, int32_t width, uint32_t blockSize)
{
    const SweepPlan plan = planSweep(sampleRate, startFrequency, endFrequency, duration, blockSize);
    if (!plan.accepted)
        return {};
    const double gain = toneLevel(attenuation, width);
    std::vector<double> window(blockSize);
    fadeWindow(window.data(), blockSize, gain);
    std::vector<int32_t> out(size_t{plan.blocks} * blockSize);
    // Each sample is the sine of the phase before its step; the step falls
    // by sweepStep after each sample but in the last block, which fades out
    // at the frequency reached at its start, and the phase is reduced to the
    // circle at each block's end.
    double phase = 0.0, step = plan.phaseStep;
    for (uint32_t b = 0; b < plan.blocks; ++b) {
        const bool last = b + 1 == plan.blocks;
        for (uint32_t i = 0; i < blockSize; ++i) {
            out[size_t{b} * blockSize + i] = truncateSample(platform::librarySine(phase) * (last ? window[i] : gain));
            phase = phase + step;
            if (!last)
                step = step - plan.sweepStep;
        }
        if (phase >= kCircle)
            phase = std::fmod(phase, kCircle);
    }
    return out;
}
