#include "tone_generator.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/mman.h>
#include <utility>

#include "quick_sine.h"

namespace {
// The phase circle and its double, as decimal literals: every sample depends
// on their exact bits, so neither is replaced by a computed pi.
constexpr double kCircle = 6.28318530718;
constexpr double kDoubleCircle = 12.56637061436;
// Tones up to this many seconds get their DC removed.
constexpr double kLongestCorrectedTone = 10.0;
// The largest 32-bit-scale magnitude that the 16-bit dither can take without
// overflowing: 2^31 - 1 less its largest random offset, 65534.
constexpr int32_t kLargest16BitScaleSample = 2147418113;
// Lengths in samples are counted in 32 bits; longer requests are refused.
constexpr double kMostSamples = 4294967295.0;

bool fitsOneBlock(double samples, uint32_t blockSize)
{
    return std::ceil(samples / static_cast<double>(blockSize)) < 2.0;
}

// Room for at least count samples; capacity is set to what it holds. A
// record of 1 MiB or more takes whole 2 MiB pieces marked for huge pages
// where the system grants them: a fresh record of a 10 s tone at 96000 Hz
// then costs two page faults instead of nearly a thousand, which took
// longer than computing its samples again. Null when there is no memory.
int32_t* newRecord(uint32_t count, uint32_t& capacity)
{
    constexpr size_t kHugePage = size_t{2} << 20;
    size_t bytes = size_t{count} * sizeof(int32_t);
    const bool huge = bytes >= kHugePage / 2;
    if (huge)
        bytes = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void* memory = std::aligned_alloc(huge ? kHugePage : alignof(int32_t), bytes);
    if (memory && huge)
        ::madvise(memory, bytes, MADV_HUGEPAGE);  // only advice: without it the pages are small
    capacity = memory ? static_cast<uint32_t>(bytes / sizeof(int32_t)) : 0;
    return static_cast<int32_t*>(memory);
}
}  // namespace

ToneGenerator::ToneGenerator(uint32_t blockSize) : blockSize(blockSize)
{
    // The chunks' phases and sines in one piece of memory, their samples in
    // another: two mappings to make and to give back.
    chunkStore_.reset(new (std::nothrow) double[4 * kChunk]);
    sampleStore_.reset(new (std::nothrow) int32_t[2 * kChunk]);
    if (chunkStore_ && sampleStore_) {
        double* next = chunkStore_.get();
        for (int k = 0; k < 2; ++k) {
            chunks_[k].phases = next;
            chunks_[k].sines = next + kChunk;
            chunks_[k].samples = sampleStore_.get() + k * kChunk;
            next += 2 * kChunk;
        }
    }
    // The sample arithmetic is defined for round-to-nearest doubles with all
    // exceptions masked: start from the default environment whatever the caller set.
    std::fesetenv(FE_DFL_ENV);
}

void ToneGenerator::RecordDeleter::operator()(int32_t* record) const
{
    std::free(record);
}

ToneGenerator::~ToneGenerator()
{
    settleChunks();
}

void ToneGenerator::setRangeRunner(RangeRunner* runner)
{
    settleChunks();
    runner_ = runner;
}

// No clipping: the level keeps v within the width's range.
int32_t ToneGenerator::truncateSample(double v)
{
    return static_cast<int32_t>(v);
}

double ToneGenerator::levelForAttenuation(uint32_t attenuation, int32_t width)
{
    // The 0 dB levels stay a little below full scale so that the 16-bit dither
    // (up to +65534 before the shift) and the tone's trim cannot overflow.
    const double a = static_cast<double>(attenuation);
    if (width == 16)
        return attenuation == 0 ? 2147352574.0 : std::pow(10.0, (186.6385973076236 - a) / 20.0);
    if (width == 24)
        return attenuation == 0 ? 8388605.0 : std::pow(10.0, (138.4737969699925 - a) / 20.0);
    return attenuation == 0 ? 2147483645.0 : std::pow(10.0, (186.6385973076236 - a) / 20.0);
}

bool ToneGenerator::makeFadeWindow(uint32_t n, double scale)
{
    window.reset();
    windowLength = 0;
    window.reset(new (std::nothrow) double[n]);
    if (!window)
        return false;
    windowLength = n;
    const double d = static_cast<double>(static_cast<uint32_t>(2 * n));
    for (uint32_t k = 0; k < n; ++k) {
        const double t = static_cast<double>(static_cast<uint32_t>(n + k)) / d;
        const double a = 0.42 - 0.5 * std::cos(kCircle * t);
        window[k] = (0.08 * std::cos(kDoubleCircle * t) + a) * scale;
    }
    return true;
}

void ToneGenerator::disarm()
{
    settleChunks();
    toneActive_ = false;
    sweepActive_ = false;
    restartPending = false;
    replay_ = nullptr;
}

// ---------------------------------------------------------------- tone

void ToneGenerator::dcStepOn(int32_t& sample)
{
    dcAccumulator = dcAccumulator + dcStep;
    // floor(|a|) != 0 exactly when |a| is not below 1 (a NaN included).
    if (!(std::fabs(dcAccumulator) < 1.0)) {
        double whole;
        dcAccumulator = std::modf(dcAccumulator, &whole);
        // At 0 dB the shift can carry a peak past what the width holds, where
        // it would wrap to the other sign: such a sample stays at the limit.
        const int64_t shifted = int64_t{sample} + static_cast<int32_t>(whole);
        sample = static_cast<int32_t>(std::clamp<int64_t>(shifted, -sampleLimit, sampleLimit));
    }
}

void ToneGenerator::sines(void* chunk, uint32_t begin, uint32_t end)
{
    SineChunk& c = *static_cast<SineChunk*>(chunk);
    const uint32_t bodyBegin = std::clamp(c.bodyBegin, begin, end);
    const uint32_t bodyEnd = std::clamp(c.bodyEnd, bodyBegin, end);
    // Outside the body the library's sine is kept for the fades, and its
    // sample too, so that every index holds both.
    const auto both = [&c](uint32_t i) {
        c.sines[i] = std::sin(c.phases[i]);
        c.samples[i] = truncateSample(c.sines[i] * c.gain);
    };
    for (uint32_t i = begin; i < bodyBegin; ++i)
        both(i);
    truncatedSines(c.phases + bodyBegin, c.samples + bodyBegin, bodyEnd - bodyBegin, c.gain);
    for (uint32_t i = bodyEnd; i < end; ++i)
        both(i);
}

// Accumulates the phases of the pass's next chunk.
void ToneGenerator::accumulate(SineChunk& chunk)
{
    if (sweepActive_)
        return accumulateSweep(chunk);
    beginAccumulation(chunk);
    completeAccumulation();
}

// Claims the pass's next chunk of phases for chunk; they are accumulated by
// accumulateSome and completeAccumulation, in order.
void ToneGenerator::beginAccumulation(SineChunk& chunk)
{
    const uint32_t count = std::min(passLeft_, kChunk);
    chunk.phaseFirst = passLength_ - passLeft_;
    passLeft_ -= count;
    accumulating_ = &chunk;
    accumulated_ = 0;
    accumulateCount_ = count;
}

void ToneGenerator::accumulateSome(uint32_t most)
{
    SineChunk& chunk = *accumulating_;
    const uint32_t end = std::min(accumulateCount_, accumulated_ + most);
    double p = aheadPhase_;
    for (uint32_t i = accumulated_; i < end; ++i) {
        p = p + phaseStep;
        chunk.phases[i] = p;
    }
    aheadPhase_ = p;
    accumulated_ = end;
}

void ToneGenerator::completeAccumulation()
{
    if (!accumulating_)
        return;
    accumulateSome(accumulateCount_);
    SineChunk& chunk = *accumulating_;
    accumulating_ = nullptr;
    chunk.phaseCount = accumulateCount_;
    chunk.lastPhase = aheadPhase_;
    chunk.lastStep = phaseStep;
}

bool ToneGenerator::workAhead()
{
    if (!accumulating_ || accumulated_ == accumulateCount_)
        return false;
    accumulateSome(kAheadStep);
    return true;
}

// The sweep's phases of whole blocks, by the rule of its fills: the sine of
// the phase before each step, the step falling by sweepStep but in the last
// block, and the phase reduced to the circle at each block's end.
void ToneGenerator::accumulateSweep(SineChunk& chunk)
{
    const uint32_t n = blockSize;
    const uint32_t count = std::min(passLeft_, kChunk / n * n);
    chunk.phaseFirst = passLength_ - passLeft_;
    passLeft_ -= count;
    double p = aheadPhase_, step = aheadStep_;
    for (uint32_t b = 0; b < count; b += n, --aheadBlocks_) {
        double* out = chunk.phases + b;
        if (aheadBlocks_ == 1) {
            for (uint32_t i = 0; i < n; ++i) {
                out[i] = p;
                p = p + step;
            }
        } else {
            for (uint32_t i = 0; i < n; ++i) {
                out[i] = p;
                p = p + step;
                step = step - sweepStep;
            }
        }
        if (p >= kCircle)
            p = std::fmod(p, kCircle);
    }
    aheadPhase_ = p;
    aheadStep_ = step;
    chunk.phaseCount = count;
    chunk.lastPhase = p;
    chunk.lastStep = step;
}

// Starts the sines ahead for the samples of a pass, from phase and phaseStep.
void ToneGenerator::startAhead(uint32_t samples, uint32_t bodyBegin, uint32_t bodyEnd)
{
    settleChunks();
    passLeft_ = passLength_ = samples;
    passBodyBegin_ = bodyBegin;
    passBodyEnd_ = bodyEnd;
    passGain_ = gain;
    aheadPhase_ = phase;
    aheadStep_ = phaseStep;
    aheadBlocks_ = blocksLeft;
    ahead_ = runner_ && kChunk >= blockSize;
    for (const SineChunk& chunk : chunks_)
        ahead_ = ahead_ && chunk.phases && chunk.sines && chunk.samples;
}

void ToneGenerator::startSines(SineChunk& chunk)
{
    chunk.sineCount = chunk.phaseCount;
    chunk.sinesLastPhase = chunk.lastPhase;
    chunk.sinesLastStep = chunk.lastStep;
    // The body's part of the chunk, in its own indices.
    const auto local = [&](uint32_t at) {
        return at <= chunk.phaseFirst ? 0 : std::min(at - chunk.phaseFirst, chunk.sineCount);
    };
    chunk.bodyBegin = local(passBodyBegin_);
    chunk.bodyEnd = local(passBodyEnd_);
    chunk.gain = passGain_;
    chunk.phaseCount = 0;
    chunk.computing = true;
    runner_->start(chunk.sineCount, sines, &chunk);
}

// Serves the chunk whose sines are being computed once they are done;
// starts the sines of the chunk after it and accumulates the phases of the
// one after that. The phase then stands at the last sample of the chunk
// served; past the pass (which the fills never reach) the samples compute
// their own sines.
bool ToneGenerator::takeNextChunk()
{
    completeAccumulation();
    SineChunk& next = chunks_[serving_ ^ 1];
    if (!next.computing) {
        if (next.phaseCount == 0 && passLeft_ > 0)
            accumulate(next);
        if (next.phaseCount == 0)
            return false;
        startSines(next);
    }
    runner_->finish();
    next.computing = false;
    serving_ ^= 1;
    takeNext_ = 0;
    takeEnd_ = next.sineCount;
    phase = next.sinesLastPhase;
    phaseStep = next.sinesLastStep;

    SineChunk& served = chunks_[serving_ ^ 1];  // its sines are all taken
    if (served.phaseCount == 0 && passLeft_ > 0)
        accumulate(served);
    if (served.phaseCount > 0)
        startSines(served);
    // Its phases are free: only its sines are served. A tone's are
    // accumulated while the samples are taken, by workAhead as far as it
    // gets and by the next take for the rest.
    if (passLeft_ > 0 && sweepActive_)
        accumulate(next);
    else if (passLeft_ > 0)
        beginAccumulation(next);
    return true;
}

// Waits for sines still being computed, so the runner holds nothing of ours,
// and forgets the chunks.
void ToneGenerator::settleChunks()
{
    if (runner_)
        runner_->finish();
    for (SineChunk& chunk : chunks_) {
        chunk.phaseCount = 0;
        chunk.computing = false;
    }
    accumulating_ = nullptr;
    takeNext_ = takeEnd_ = 0;
}

// The sine of the next phase: phase + phaseStep.
inline double ToneGenerator::nextSine()
{
    if (!ahead_ || (takeNext_ == takeEnd_ && !takeNextChunk())) {
        phase = phase + phaseStep;
        return std::sin(phase);
    }
    return chunks_[serving_].sines[takeNext_++];
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

// The samples of the next sines times the gain as one run of at most count,
// taken like nextSine takes the sines one by one; null where each must be
// taken by nextSine (no sines computed ahead, or past the pass).
const int32_t* ToneGenerator::sampleRun(uint32_t count, uint32_t& run)
{
    if (!ahead_ || (takeNext_ == takeEnd_ && !takeNextChunk()))
        return nullptr;
    run = std::min(count, takeEnd_ - takeNext_);
    const int32_t* samples = chunks_[serving_].samples + takeNext_;
    takeNext_ += run;
    return samples;
}

// count body samples: the samples of a run first, then its DC steps in
// order, which is what bodySample gives sample by sample.
void ToneGenerator::bodySamples(int32_t* out, uint32_t count)
{
    while (count > 0) {
        uint32_t run = count;
        const int32_t* samples = replay_ ? std::exchange(replay_, replay_ + count) : sampleRun(count, run);
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

// Moves one unit of the remaining DC trim into the sample, keeping the last
// unit for the tone's final sample.
void ToneGenerator::trimPoint(int32_t& sample)
{
    if (std::abs(trim) > 1)
        finalTrimPoint(sample);
}

void ToneGenerator::finalTrimPoint(int32_t& sample)
{
    if (trim < 0) {
        ++trim;
        --sample;
    } else if (trim > 0) {
        --trim;
        ++sample;
    }
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

// Blocks that lie wholly inside the body, each of which ends on a trim point.
uint32_t ToneGenerator::trimCapacity() const
{
    const uint32_t a = fadeLength / blockSize;
    const uint32_t b = fadeLength % blockSize;
    if (bodyEndBlock < a)
        return 0;
    uint32_t k = bodyEndBlock - a;
    if (k != 0 && b != 0)
        --k;
    return k;
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

void ToneGenerator::configureTone(double rate, double frequency, double duration,
                                  uint32_t attenuation, int32_t width)
{
    if (sweepActive_ || toneActive_)
        return;
    sampleRate = rate;
    const double period = 1.0 / frequency;
    const double spc = sampleRate / frequency;

    const double cyclesExact = frequency * duration;
    // Requests outside what the engine admits that would break the counting below.
    if (!(spc > 0.0 && spc < kMostSamples && cyclesExact > 0.0 && cyclesExact < kMostSamples))
        return;
    double wholeCycles;
    const double cycleFraction = std::modf(cyclesExact, &wholeCycles);
    uint32_t cycles = static_cast<uint32_t>(wholeCycles);
    if (cycleFraction >= 0.5)
        ++cycles;
    if (cycles < 2)
        return;

    const double t = static_cast<double>(cycles) * spc;
    const double wholeT = std::floor(t);
    if (!(wholeT < kMostSamples - 4.0 * blockSize))
        return;
    const bool exact = std::fmod(t, wholeT) == 0.0;
    if (fitsOneBlock(wholeT, blockSize))
        return;

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
        return;
    fadeLength = static_cast<uint32_t>(fadeSpan) - 1;

    uint32_t bodyEnd = static_cast<uint32_t>(std::floor(static_cast<double>(cycles - fadeCycles) * spc));
    if (!exact)
        ++bodyEnd;
    uint32_t length = fadeLength + bodyEnd;
    if (length < 2 * fadeLength + 2) {
        ++bodyEnd;
        ++length;
    }
    bodyEndBlock = bodyEnd / blockSize;
    bodyEndOffset = bodyEnd % blockSize;
    if (fitsOneBlock(length, blockSize))
        return;
    uint32_t capacity = trimCapacity();

    gain = levelForAttenuation(attenuation, width);
    sampleLimit = width == 16 ? kLargest16BitScaleSample : width == 24 ? 8388607 : 2147483647;
    dcMode = false;
    trim = 0;
    phaseStep = kCircle / (sampleRate / frequency);
    if (!makeFadeWindow(fadeLength, gain))
        return;
    windowCursor = fadeLength;
    resetRunState();
    if (duration > kLongestCorrectedTone) {
        toneActive_ = true;
        return;
    }

    // Room to keep the trial passes' samples, one more for a body made
    // longer below; without it the output pass computes them again.
    if (recordLength_ < length + 1) {
        record_.reset();
        record_.reset(newRecord(length + 1, recordLength_));
    }
    int32_t beforeLast = 0, last = 0;
    sampleSum = trialPass(bodyEnd, &beforeLast, &last);
    // An exact tone's body should end on the first sample after an upward zero
    // crossing, so that the fade-out starts where a cycle starts.
    if (exact && !(beforeLast <= 0 && last > 0)) {
        ++bodyEnd;
        bodyEndBlock = bodyEnd / blockSize;
        bodyEndOffset = bodyEnd % blockSize;
        length = fadeLength + bodyEnd;
        if (fitsOneBlock(length, blockSize))
            return;
        capacity = trimCapacity();
        resetRunState();
        sampleSum = trialPass(bodyEnd, &beforeLast, &last);
    }

    // Few units of DC are trimmed one by one at the trim points; more are
    // spread over the whole tone.
    const int64_t magnitude = std::llabs(static_cast<int64_t>(sampleSum));
    if (magnitude > 0 && magnitude <= static_cast<int64_t>(capacity) + 3) {
        trim = -sampleSum;
    } else if (magnitude > 0) {
        trim = 0;
        dcStep = -(static_cast<double>(sampleSum) / static_cast<double>(length));
        dcMode = true;
    }
    resetRunState();
    replay_ = record_.get();
    toneActive_ = true;
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
    if (dcMode) {
        // The accumulator's leftover, rounded up from 0.9: the sum ends at exactly 0.
        const int32_t rest = static_cast<int32_t>(std::floor(std::fabs(dcAccumulator) + 0.1));
        lastSample += dcAccumulator < 0.0 ? -rest : rest;
    } else {
        finalTrimPoint(lastSample);
    }
    std::fill(out + start + count, out + n, 0);
    toneActive_ = false;
    finishToneBlock(out, copy);
}

// ---------------------------------------------------------------- sweep

void ToneGenerator::configureSweep(double rate, double startFrequency, double endFrequency,
                                   double duration, uint32_t attenuation, int32_t width)
{
    if (toneActive_)
        return;
    if (sweepActive_) {
        restartPending = true;
        return;
    }
    sampleRate = rate;
    const double rounded =
        std::floor(sampleRate * duration / static_cast<double>(blockSize) + 0.5);
    // Fewer than two blocks is refused; so is a count of samples beyond 32 bits.
    if (!(rounded >= 2.0 && (rounded + 1.0) * blockSize <= kMostSamples))
        return;
    const uint32_t blocks = static_cast<uint32_t>(rounded) + 1;
    blocksLeft = blocks;

    const double inc0 = kCircle / (sampleRate / startFrequency);
    const double inc1 = kCircle / (sampleRate / endFrequency);
    sweepStep = (inc0 - inc1) / static_cast<double>(blocks * blockSize);
    gain = levelForAttenuation(attenuation, width);
    phaseStep = inc0;
    phase = 0.0;
    savedGain = gain;
    savedPhase = 0.0;
    savedPhaseStep = inc0;
    savedSweepStep = sweepStep;
    savedBlocks = blocks;
    if (!makeFadeWindow(blockSize, gain))
        return;
    sweepActive_ = true;
    restartPending = false;
    startAhead(blocks * blockSize, 0, (blocks - 1) * blockSize);
}

void ToneGenerator::fillSweepBlock(int32_t* out, int32_t* copy)
{
    const uint32_t n = blockSize;
    if (!sweepActive_) {
        silentBlock(out, copy);
        return;
    }
    if (restartPending) {
        gain = savedGain;
        blocksLeft = savedBlocks;
        phase = savedPhase;
        phaseStep = savedPhaseStep;
        sweepStep = savedSweepStep;
        restartPending = false;
        startAhead(blocksLeft * n, 0, (blocksLeft - 1) * n);
    }
    if (ahead_ && (takeNext_ != takeEnd_ || takeNextChunk())) {
        const SineChunk& chunk = chunks_[serving_];
        const uint32_t at = takeNext_;
        takeNext_ += n;
        if (blocksLeft == 1) {
            for (uint32_t i = 0; i < n; ++i)
                out[i] = truncateSample(chunk.sines[at + i] * window[i]);
        } else {
            std::memcpy(out, chunk.samples + at, sizeof(int32_t) * n);
        }
        return finishSweepBlock(out, copy);
    }

    if (blocksLeft == 1) {
        // The last block fades out at the frequency reached at its start.
        for (uint32_t i = 0; i < n; ++i) {
            out[i] = truncateSample(std::sin(phase) * window[i]);
            phase = phase + phaseStep;
        }
    } else {
        for (uint32_t i = 0; i < n; ++i) {
            out[i] = truncateSample(std::sin(phase) * gain);
            phase = phase + phaseStep;
            phaseStep = phaseStep - sweepStep;
        }
    }
    if (phase >= kCircle)
        phase = std::fmod(phase, kCircle);
    finishSweepBlock(out, copy);
}

void ToneGenerator::finishSweepBlock(int32_t* out, int32_t* copy)
{
    const uint32_t n = blockSize;
    if (copy)
        std::memcpy(copy, out, sizeof(int32_t) * n);

    if (--blocksLeft == 0) {
        sweepActive_ = false;
        restartPending = false;
        window.reset();
        windowLength = 0;
    }
}
