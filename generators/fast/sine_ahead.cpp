// The tone generator's look-ahead: the phases of a pass accumulated ahead,
// in order, a chunk at a time, and the sines of a chunk, which depend on its
// phases alone, with the samples they give times the gain, computed through
// the range runner while the blocks take the chunk before.
#include <algorithm>
#include <cmath>

#include "quick_sine.h"
#include "tone_generator.h"

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
    for (uint32_t b = 0; b < count; b += n, --aheadBlocks_)
        sweepBlockPhases(p, step, sweepStep, aheadBlocks_ == 1, chunk.phases + b, n);
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

