// The sweep mode of the tone generator: its blocks one after the other, from
// the sines computed ahead where there are some.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "level_table.h"
#include "library_sine.h"
#include "tone_generator.h"

bool ToneGenerator::configureSweep(double rate, double startFrequency, double endFrequency,
                                   double duration, uint32_t attenuation, int32_t width)
{
    if (toneActive_)
        return true;
    if (sweepActive_) {
        restartPending = true;
        return true;
    }
    sampleRate = rate;
    const SweepPlan plan = planSweep(rate, startFrequency, endFrequency, duration, blockSize);
    if (!plan.accepted)
        return true;
    const uint32_t blocks = plan.blocks;
    blocksLeft = blocks;
    const double inc0 = plan.phaseStep;
    sweepStep = plan.sweepStep;
    gain = toneLevel(attenuation, width);
    phaseStep = inc0;
    phase = 0.0;
    savedGain = gain;
    savedPhase = 0.0;
    savedPhaseStep = inc0;
    savedSweepStep = sweepStep;
    savedBlocks = blocks;
    if (!makeFadeWindow(blockSize, gain))
        return false;
    sweepActive_ = true;
    restartPending = false;
    startAhead(blocks * blockSize, 0, (blocks - 1) * blockSize);
    return true;
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
    const double* sines;
    const int32_t* samples;
    if (ahead_.active() && ahead_.block(n, sines, samples, phase, phaseStep)) {
        if (blocksLeft == 1) {
            for (uint32_t i = 0; i < n; ++i)
                out[i] = truncateSample(sines[i] * window[i]);
        } else {
            std::memcpy(out, samples, sizeof(int32_t) * n);
        }
        return finishSweepBlock(out, copy);
    }

    // Without sines computed ahead: the phases of the block by the sweep's
    // rule, each sample from the library's sine of its phase. The last block
    // fades out at the frequency reached at its start.
    const bool last = blocksLeft == 1;
    std::vector<double> phases(n);
    sweepBlockPhases(phase, phaseStep, sweepStep, last, phases.data(), n);
    for (uint32_t i = 0; i < n; ++i)
        out[i] = truncateSample(platform::librarySine(phases[i]) * (last ? window[i] : gain));
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
