#include "tone_generator.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "library_sine.h"
#include "level_table.h"
#include "tone_record.h"

ToneGenerator::ToneGenerator(uint32_t blockSize) : blockSize(blockSize), ahead_(blockSize)
{
}

ToneGenerator::~ToneGenerator() = default;

void ToneGenerator::setRangeRunner(RangeRunner* runner)
{
    ahead_.setRunner(runner);
}

bool ToneGenerator::workAhead()
{
    return ahead_.workAhead();
}

void ToneGenerator::startAhead(uint32_t samples, uint32_t bodyBegin, uint32_t bodyEnd)
{
    SineLookAhead::Pass pass;
    pass.samples = samples;
    pass.bodyBegin = bodyBegin;
    pass.bodyEnd = bodyEnd;
    pass.gain = gain;
    pass.phase = phase;
    pass.phaseStep = phaseStep;
    pass.sweep = sweepActive_;
    pass.blocks = blocksLeft;
    pass.sweepStep = sweepStep;
    ahead_.start(pass);
}

bool ToneGenerator::makeFadeWindow(uint32_t n, double scale)
{
    window.reset();
    windowLength = 0;
    window.reset(new (std::nothrow) double[n]);
    if (!window)
        return false;
    windowLength = n;
    fadeWindow(window.get(), n, scale);
    return true;
}

void ToneGenerator::disarm()
{
    ahead_.settle();
    toneActive_ = false;
    sweepActive_ = false;
    restartPending = false;
    replay_ = nullptr;
}

// The sine of the next phase: phase + phaseStep.
inline double ToneGenerator::nextSine()
{
    double sine;
    if (ahead_.active() && ahead_.nextSine(sine, phase, phaseStep))
        return sine;
    phase = phase + phaseStep;
    return platform::librarySine(phase);
}

inline int32_t ToneGenerator::fadeInSample()
{
    --windowCursor;
    int32_t sample = replay_ ? *replay_++ : truncateSample(nextSine() * window[windowCursor]);
    if (dcMode)
        dcStepOn(sample);
    return sample;
}

inline int32_t ToneGenerator::bodySample()
{
    int32_t sample = replay_ ? *replay_++ : truncateSample(nextSine() * gain);
    if (dcMode)
        dcStepOn(sample);
    return sample;
}

// count body samples: the samples of a run first, then its DC steps in
// order, which is what bodySample gives sample by sample.
void ToneGenerator::bodySamples(int32_t* out, uint32_t count)
{
    while (count > 0) {
        uint32_t run = count;
        const int32_t* samples = replay_ ? std::exchange(replay_, replay_ + count)
                                         : ahead_.active() ? ahead_.sampleRun(count, run, phase, phaseStep)
                                                           : nullptr;
        if (!samples) {
            *out++ = bodySample();
            --count;
            continue;
        }
        std::memcpy(out, samples, sizeof(int32_t) * run);
        if (dcMode)
            for (uint32_t i = 0; i < run; ++i)
                dcStepOn(out[i]);
        out += run;
        count -= run;
    }
}

inline int32_t ToneGenerator::fadeOutSample()
{
    int32_t sample = replay_ ? *replay_++ : truncateSample(nextSine() * window[windowCursor]);
    ++windowCursor;
    if (dcMode)
        dcStepOn(sample);
    return sample;
}

void ToneGenerator::resetRunState()
{
    replay_ = nullptr;
    sampleSum = 0;
    phase = 0.0;
    // A pass runs through the fade-in, the body and the fade-out.
    const uint32_t bodyEnd = bodyEndBlock * blockSize + bodyEndOffset;
    startAhead(fadeLength + bodyEnd, fadeLength, bodyEnd);
    fadeInDone = 0;
    fadeOutDone = 0;
    dcAccumulator = 0.0;
    blockIndex = 0;
    fadeInComplete = false;
    fadeOutStarted = false;
}


// Runs the whole tone once without output and answers the sum of its samples
// (wrapping in 32 bits) and the last two body samples. The samples are kept
// in the record, when there is one, for the output pass to replay.
int32_t ToneGenerator::trialPass(uint32_t bodyEnd, int32_t* beforeLastBody, int32_t* lastBody)
{
    int32_t* kept = record_.get();
    const auto take = [&kept](int32_t sample) {
        if (kept)
            *kept++ = sample;
        return static_cast<uint32_t>(sample);
    };
    uint32_t sum = 0;
    for (uint32_t i = 0; i < fadeLength; ++i)
        sum += take(fadeInSample());
    const uint32_t bodyLength = bodyEnd - fadeLength;
    int32_t buffer[512];
    for (uint32_t done = 0; done < bodyLength;) {
        const uint32_t m = std::min<uint32_t>(512, bodyLength - done);
        int32_t* const piece = kept ? kept : buffer;
        bodySamples(piece, m);
        if (kept)
            kept += m;
        for (uint32_t j = 0; j < m; ++j)
            sum += static_cast<uint32_t>(piece[j]);
        done += m;
        if (done == bodyLength) {
            *lastBody = piece[m - 1];
            if (m >= 2)
                *beforeLastBody = piece[m - 2];
        } else if (done + 1 == bodyLength) {
            *beforeLastBody = piece[m - 1];
        }
    }
    for (uint32_t i = 0; i < fadeLength; ++i)
        sum += take(fadeOutSample());
    return static_cast<int32_t>(sum);
}

// The tone's layout and corrections are the rules' (sine_rules.h); what is
// this generator's own is where the samples come from: the trial pass keeps
// them in the record, when there is one, for the output pass to replay.
bool ToneGenerator::configureTone(double rate, double frequency, double duration,
                                  uint32_t attenuation, int32_t width)
{
    if (sweepActive_ || toneActive_)
        return true;
    sampleRate = rate;
    ToneLayout layout = planTone(rate, frequency, duration, blockSize);
    if (!layout.accepted)
        return true;
    fadeLength = layout.fadeLength;
    bodyEndBlock = layout.bodyEnd / blockSize;
    bodyEndOffset = layout.bodyEnd % blockSize;
    gain = toneLevel(attenuation, width);
    sampleLimit = dcSampleLimit(width);
    dcMode = false;
    trim = 0;
    phaseStep = layout.phaseStep;
    if (!makeFadeWindow(fadeLength, gain))
        return false;
    windowCursor = fadeLength;
    resetRunState();
    if (duration > kLongestCorrectedTone) {
        toneActive_ = true;
        return true;
    }

    // Room to keep the trial passes' samples, one more for a body made
    // longer below; without it the output pass computes them again.
    if (recordLength_ < layout.length + 1) {
        record_.reset();
        record_.reset(newToneRecord(layout.length + 1, recordLength_));
    }
    int32_t beforeLast = 0, last = 0;
    sampleSum = trialPass(layout.bodyEnd, &beforeLast, &last);
    // An exact tone's body should end on the first sample after an upward zero
    // crossing, so that the fade-out starts where a cycle starts.
    if (layout.exact && !(beforeLast <= 0 && last > 0)) {
        layout = lengthenBody(layout, blockSize);
        bodyEndBlock = layout.bodyEnd / blockSize;
        bodyEndOffset = layout.bodyEnd % blockSize;
        if (!layout.accepted)
            return true;
        resetRunState();
        sampleSum = trialPass(layout.bodyEnd, &beforeLast, &last);
    }

    const DcCorrection correction = dcCorrectionFor(sampleSum, trimCapacity(layout, blockSize), layout.length);
    trim = correction.trim;
    dcMode = correction.spread;
    if (correction.spread)
        dcStep = correction.dcStep;
    resetRunState();
    replay_ = record_.get();
    toneActive_ = true;
    return true;
}

// A fill while nothing is armed writes silence.
void ToneGenerator::silentBlock(int32_t* out, int32_t* copy) const
{
    std::fill(out, out + blockSize, 0);
    if (copy)
        std::fill(copy, copy + blockSize, 0);
}

void ToneGenerator::finishToneBlock(int32_t* out, int32_t* copy)
{
    if (copy)
        std::memcpy(copy, out, sizeof(int32_t) * blockSize);
    ++blockIndex;
}

void ToneGenerator::fillToneBlock(int32_t* out, int32_t* copy)
{
    const uint32_t n = blockSize;
    if (!toneActive_) {
        silentBlock(out, copy);
        return;
    }

    uint32_t start = 0;  // where the fade-out of this block begins
    uint32_t count = 0;  // and how many fade-out samples it holds
    if (!fadeInComplete) {
        uint32_t s = 0;
        const uint32_t remaining = fadeLength - fadeInDone;
        if (remaining > 0) {
            const uint32_t fadeCount = std::min(n, remaining);
            for (uint32_t i = 0; i < fadeCount; ++i)
                out[i] = fadeInSample();
            fadeInDone += fadeCount;
            if (fadeInDone != fadeLength)
                return finishToneBlock(out, copy);
            trimPoint(out[fadeCount - 1]);
            if (fadeCount == n)
                return finishToneBlock(out, copy);
            s = fadeCount;
        }
        fadeInComplete = true;
        if (blockIndex != bodyEndBlock) {
            bodySamples(out + s, n - s);
            if (s == 0)
                trimPoint(out[n - 1]);
            return finishToneBlock(out, copy);
        }
        if (bodyEndOffset > s)
            bodySamples(out + s, bodyEndOffset - s);
        trimPoint(out[bodyEndOffset - 1]);
        fadeOutStarted = true;
        start = bodyEndOffset;
        count = std::min(fadeLength, n - bodyEndOffset);
    } else if (blockIndex < bodyEndBlock) {
        bodySamples(out, n);
        trimPoint(out[n - 1]);
        return finishToneBlock(out, copy);
    } else if (!fadeOutStarted) {
        fadeOutStarted = true;
        bodySamples(out, bodyEndOffset);
        start = bodyEndOffset;
        count = std::min(fadeLength, n - bodyEndOffset);
    } else {
        count = std::min(n, fadeLength - fadeOutDone);
    }

    const bool firstFadeOut = fadeOutDone == 0;
    for (uint32_t i = start; i < start + count; ++i)
        out[i] = fadeOutSample();
    fadeOutDone += count;
    if (firstFadeOut)
        trimPoint(out[start]);
    if (fadeOutDone != fadeLength)
        return finishToneBlock(out, copy);

    int32_t& lastSample = out[start + count - 1];
    if (dcMode)
        lastSample += dcRest(dcAccumulator);
    else
        finalTrimPoint(trim, lastSample);
    std::fill(out + start + count, out + n, 0);
    toneActive_ = false;
    finishToneBlock(out, copy);
}
