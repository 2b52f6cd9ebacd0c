// The rules every sine sample follows, tone and sweep alike, and the tone's
// layout: how many samples its fades and body take, and which requests give
// a tone at all.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

// The phase circle and its double, as decimal literals: every sample depends
// on their exact bits, so neither is replaced by a computed pi.
inline constexpr double kCircle = 6.28318530718;
inline constexpr double kDoubleCircle = 12.56637061436;

// Tones up to this many seconds get their DC removed.
inline constexpr double kLongestCorrectedTone = 10.0;

// The sample for v = sine x factor: v truncated toward zero. No clipping: the
// level keeps v within the width's range.
inline int32_t truncateSample(double v)
{
    return static_cast<int32_t>(v);
}

// The falling half of a 2n-point Blackman window times scale, into window[0, n).
void fadeWindow(double* window, uint32_t n, double scale);

// Where a tone's samples go: fadeLength fade-in samples, the body up to
// sample bodyEnd (counted from the tone's start), then fadeLength fade-out
// samples; length = fadeLength + bodyEnd.
struct ToneLayout {
    bool accepted = false;  // false: the request gives no tone
    bool exact = false;     // its whole cycles span a whole number of samples
    uint32_t fadeLength = 0;
    uint32_t bodyEnd = 0;
    uint32_t length = 0;
    double phaseStep = 0.0;
};

// The layout of a tone of frequency and duration at the rate, in blocks of
// blockSize: whole cycles (half a cycle rounds up, at least 2), fades of
// about 10 ms rounded up to whole cycles and at most half the tone each, and
// more than one block in all.
ToneLayout planTone(double sampleRate, double frequency, double duration, uint32_t blockSize);

// The same body one sample longer; not accepted when the tone would then fit
// one block.
ToneLayout lengthenBody(ToneLayout layout, uint32_t blockSize);

// The blocks that lie wholly inside the body, each of which ends on a trim point.
uint32_t trimCapacity(const ToneLayout& layout, uint32_t blockSize);

// Whether a tone's samples, counted from 0, include a trim point at index i:
// the last fade-in sample, the body's last sample when it ends in the block
// where the fade-in ends, the last sample of each whole body block and the
// first fade-out sample. The tone's last sample is the final trim point.
bool isTrimPoint(const ToneLayout& layout, uint32_t blockSize, uint32_t i);

// How a corrected tone's trial sum is taken out: a few units one by one at
// the trim points (trim), more spread over the whole tone (dcStep per sample).
struct DcCorrection {
    int32_t trim = 0;
    bool spread = false;
    double dcStep = 0.0;
};
DcCorrection dcCorrectionFor(int32_t trialSum, uint32_t capacity, uint32_t length);

// One step of the spread correction on a sample: the accumulator takes the
// step and gives up its whole part to the sample. At 0 dB the shift can carry
// a peak past what the width holds, where it would wrap to the other sign:
// such a sample stays at limit.
// Inline: it runs for every sample of a tone with the spread correction.
inline void dcStepOn(double& accumulator, double step, int32_t& sample, int32_t limit)
{
    accumulator = accumulator + step;
    // floor(|a|) != 0 exactly when |a| is not below 1 (a NaN included).
    if (!(std::fabs(accumulator) < 1.0)) {
        double whole;
        accumulator = std::modf(accumulator, &whole);
        const int64_t shifted = int64_t{sample} + static_cast<int32_t>(whole);
        sample = static_cast<int32_t>(std::clamp<int64_t>(shifted, -limit, limit));
    }
}

// What the accumulator's leftover adds to the tone's last sample: its whole
// part rounded up from 0.9, so that the sum ends at exactly 0.
int32_t dcRest(double accumulator);

// One unit of the remaining trim moved into the sample; a trim point keeps
// the last unit for the final one.
void finalTrimPoint(int32_t& trim, int32_t& sample);
void trimPoint(int32_t& trim, int32_t& sample);

// The largest magnitude a DC-shifted sample of the width may take: for 16
// bits the largest 32-bit-scale value the dither can take without overflow,
// 2^31 - 1 less its largest random offset, 65534.
int32_t dcSampleLimit(int32_t width);

// A linear sweep of blocks blocks, one more than the duration rounded to
// whole blocks; its phase step starts at phaseStep and falls by sweepStep
// after every sample but those of the last block. Not accepted below two
// blocks or beyond 32 bits of samples.
struct SweepPlan {
    bool accepted = false;
    uint32_t blocks = 0;
    double phaseStep = 0.0;
    double sweepStep = 0.0;
};
SweepPlan planSweep(double sampleRate, double startFrequency, double endFrequency, double duration,
                    uint32_t blockSize);
