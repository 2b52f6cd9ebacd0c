// Sine generator: the fixed-frequency tone and the linear sweep, sharing the
// level rule, the Blackman fade window and the truncating sample rule. The
// rules live in sine_rules.h and level_table.h, and plain/plain_sines.h
// makes the same samples by them alone; what is this class's own is where
// its samples come from: the sines computed ahead (fast/sine_ahead.h), or
// the record of a corrected tone's trial pass, replayed in its output pass.
#pragma once

#include <cstdint>
#include <memory>

#include "range_runner.h"
#include "sine_ahead.h"
#include "sine_rules.h"

class ToneGenerator {
public:
    explicit ToneGenerator(uint32_t blockSize);
    ~ToneGenerator();
    ToneGenerator(const ToneGenerator&) = delete;
    ToneGenerator& operator=(const ToneGenerator&) = delete;

    // Each configure answers false when the request would give a signal but
    // the memory for it cannot be had (nothing is armed then); true when it
    // is armed or, by the rules, gives no signal.

    // Tone mode.
    bool configureTone(double sampleRate, double frequency, double duration,
                       uint32_t attenuation, int32_t width);
    void fillToneBlock(int32_t* out, int32_t* copy);

    // Sweep mode.
    bool configureSweep(double sampleRate, double startFrequency, double endFrequency,
                        double duration, uint32_t attenuation, int32_t width);
    void fillSweepBlock(int32_t* out, int32_t* copy);

    bool toneActive() const { return toneActive_; }
    // Who computes the sines ahead while the samples are taken (a runner
    // without other threads computes them when they are needed, a chunk at
    // a time); null, the default: each sample computes its own.
    void setRangeRunner(RangeRunner* runner);
    bool sweepActive() const { return sweepActive_; }
    // Does a little of the tone's in-order work ahead (the phases of the
    // chunk after next) for the job's thread while it would only wait;
    // answers whether there was any. Job's thread only, between fills.
    bool workAhead();

    // Ends whatever signal is armed (a job that stopped before its last block),
    // so the next configure is taken as a new request.
    void disarm();

private:
    // Replaces the owned window by the falling half of a 2n-point Blackman
    // window times scale. False (and no window) when it cannot be allocated.
    bool makeFadeWindow(uint32_t n, double scale);

    // Shared state.
    const uint32_t blockSize;
    double sampleRate = 0.0;
    double gain = 0.0;
    double phase = 0.0;
    double phaseStep = 0.0;
    std::unique_ptr<double[]> window;
    uint32_t windowLength = 0;

    // Tone state.
    uint32_t fadeLength = 0;
    uint32_t bodyEndBlock = 0;
    uint32_t bodyEndOffset = 0;
    uint32_t blockIndex = 0;
    uint32_t fadeInDone = 0;
    uint32_t fadeOutDone = 0;
    bool fadeInComplete = false;
    bool fadeOutStarted = false;
    uint32_t windowCursor = 0;
    int32_t sampleSum = 0;
    int32_t trim = 0;
    bool dcMode = false;
    double dcStep = 0.0;
    double dcAccumulator = 0.0;
    int32_t sampleLimit = 0;  // largest magnitude a DC-shifted sample may take

    // Sweep state.
    uint32_t blocksLeft = 0;
    double sweepStep = 0.0;
    bool restartPending = false;
    uint32_t savedBlocks = 0;
    double savedGain = 0.0;
    double savedPhase = 0.0;
    double savedPhaseStep = 0.0;
    double savedSweepStep = 0.0;

    // The sines computed ahead, when there is a runner; the per-sample
    // path is inlined into the fills.
    SineLookAhead ahead_;
    [[gnu::always_inline]] double nextSine();
    // Starts the look-ahead for a pass of samples from phase and phaseStep:
    // from bodyBegin to bodyEnd sines times the gain, the others times the
    // fade window.
    void startAhead(uint32_t samples, uint32_t bodyBegin, uint32_t bodyEnd);

    // A corrected tone's trial pass keeps its samples, before any DC step,
    // and the output pass, whose samples before their steps are the same,
    // takes them from here instead of computing them again.
    struct RecordDeleter {
        void operator()(int32_t* record) const;
    };
    std::unique_ptr<int32_t[], RecordDeleter> record_;
    uint32_t recordLength_ = 0;      // samples it holds, at least a pass's
    const int32_t* replay_ = nullptr;  // the output pass's next sample there, or null

    [[gnu::always_inline]] int32_t fadeInSample();
    [[gnu::always_inline]] int32_t bodySample();
    void bodySamples(int32_t* out, uint32_t count);
    [[gnu::always_inline]] int32_t fadeOutSample();
    void dcStepOn(int32_t& sample) { ::dcStepOn(dcAccumulator, dcStep, sample, sampleLimit); }
    void trimPoint(int32_t& sample) { ::trimPoint(trim, sample); }
    void resetRunState();
    int32_t trialPass(uint32_t bodyEnd, int32_t* beforeLastBody, int32_t* lastBody);
    void silentBlock(int32_t* out, int32_t* copy) const;
    void finishToneBlock(int32_t* out, int32_t* copy);
    void finishSweepBlock(int32_t* out, int32_t* copy);

    bool toneActive_ = false;
    bool sweepActive_ = false;
};
