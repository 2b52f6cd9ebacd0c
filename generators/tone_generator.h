// Sine generator: the fixed-frequency tone and the linear sweep, sharing the
// level rule, the Blackman fade window and the truncating sample rule.
#pragma once

#include <cstdint>
#include <memory>

class ToneGenerator {
public:
    explicit ToneGenerator(uint32_t blockSize);
    ~ToneGenerator();
    ToneGenerator(const ToneGenerator&) = delete;
    ToneGenerator& operator=(const ToneGenerator&) = delete;

    // Peak amplitude for an attenuation in dB at a sample width.
    static double levelForAttenuation(uint32_t attenuation, int32_t width);
    // The sample for a value v = sine x amplitude: v truncated toward zero.
    static int32_t truncateSample(double v);

    // Tone mode.
    void configureTone(double sampleRate, double frequency, double duration,
                       uint32_t attenuation, int32_t width);
    void fillToneBlock(int32_t* out, int32_t* copy);

    // Sweep mode.
    void configureSweep(double sampleRate, double startFrequency, double endFrequency,
                        double duration, uint32_t attenuation, int32_t width);
    void fillSweepBlock(int32_t* out, int32_t* copy);

    bool toneActive() const { return toneActive_; }
    bool sweepActive() const { return sweepActive_; }

    // Ends whatever signal is armed (a job that stopped before its last block),
    // so the next configure is taken as a new request.
    void disarm();

    // --- the members below are implementation, public only for the tests ---

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

private:
    int32_t fadeInSample();
    int32_t bodySample();
    int32_t fadeOutSample();
    void dcStepOn(int32_t& sample);
    void trimPoint(int32_t& sample);
    void finalTrimPoint(int32_t& sample);
    void resetRunState();
    uint32_t trimCapacity() const;
    int32_t trialPass(uint32_t bodyEnd, int32_t* beforeLastBody, int32_t* lastBody);
    void silentBlock(int32_t* out, int32_t* copy) const;
    void finishToneBlock(int32_t* out, int32_t* copy);

    bool toneActive_ = false;
    bool sweepActive_ = false;
};
