#include "sine_ahead.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "library_sine.h"
#include "quick_sine.h"
#include "sine_rules.h"

void SineLookAhead::sines(void* chunk, uint32_t begin, uint32_t end)
{
    Chunk& c = *static_cast<Chunk*>(chunk);
    const uint32_t bodyBegin = std::clamp(c.bodyBegin, begin, end);
    const uint32_t bodyEnd = std::clamp(c.bodyEnd, bodyBegin, end);
    // Outside the body the library's sine is kept for the fades, and its
    // sample too, so that every index holds both.
    const auto both = [&c](uint32_t i) {
        c.sines[i] = platform::librarySine(c.phases[i]);
        c.samples[i] = truncateSample(c.sines[i] * c.gain);
    };
    for (uint32_t i = begin; i < bodyBegin; ++i)
        both(i);
    truncatedSines(c.phases + bodyBegin, c.samples + bodyBegin, bodyEnd - bodyBegin, c.gain);
    for (uint32_t i = bodyEnd; i < end; ++i)
        both(i);
}

// Accumulates the phases of the pass's next chunk.
void SineLookAhead::accumulate(Chunk& chunk)
{
    if (pass_.sweep)
        return accumulateSweep(chunk);
    beginAccumulation(chunk);
    completeInputs();
}

// Claims the pass's next chunk of phases for chunk; they are accumulated by
// accumulateSome and completeInputs, in order.
void SineLookAhead::beginAccumulation(Chunk& chunk)
{
    const uint32_t count = std::min(passLeft_, kChunk);
    chunk.phaseFirst = pass_.samples - passLeft_;
    passLeft_ -= count;
    accumulating_ = &chunk;
    accumulated_ = 0;
    accumulateCount_ = count;
}

void SineLookAhead::accumulateSome(uint32_t most)
{
    Chunk& chunk = *accumulating_;
    const uint32_t end = std::min(accumulateCount_, accumulated_ + most);
    double p = aheadPhase_;
    for (uint32_t i = accumulated_; i < end; ++i) {
        p = p + aheadStep_;
        chunk.phases[i] = p;
    }
    aheadPhase_ = p;
    accumulated_ = end;
}

void SineLookAhead::completeInputs()
{
    if (!accumulating_)
        return;
    accumulateSome(accumulateCount_);
    Chunk& chunk = *accumulating_;
    accumulating_ = nullptr;
    chunk.phaseCount = accumulateCount_;
    chunk.lastPhase = aheadPhase_;
    chunk.lastStep = aheadStep_;
}

bool SineLookAhead::workAhead()
{
    if (!accumulating_ || accumulated_ == accumulateCount_)
        return false;
    accumulateSome(kAheadStep);
    return true;
}

// The sweep's phases of whole blocks, by the rule of its fills: the sine of
// the phase before each step, the step falling by sweepStep but in the last
// block, and the phase reduced to the circle at each block's end.
void SineLookAhead::accumulateSweep(Chunk& chunk)
{
    const uint32_t n = blockSize_;
    const uint32_t count = std::min(passLeft_, kChunk / n * n);
    chunk.phaseFirst = pass_.samples - passLeft_;
    passLeft_ -= count;
    double p = aheadPhase_, step = aheadStep_;
    for (uint32_t b = 0; b < count; b += n, --aheadBlocks_)
        sweepBlockPhases(p, step, pass_.sweepStep, aheadBlocks_ == 1, chunk.phases + b, n);
    aheadPhase_ = p;
    aheadStep_ = step;
    chunk.phaseCount = count;
    chunk.lastPhase = p;
    chunk.lastStep = step;
}

SineLookAhead::SineLookAhead(uint32_t blockSize) : blockSize_(blockSize)
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
}

SineLookAhead::~SineLookAhead()
{
    settle();
}

void SineLookAhead::setRunner(RangeRunner* runner)
{
    settle();
    pipeline_.setRunner(runner);
}

void SineLookAhead::start(const Pass& pass)
{
    settle();
    pass_ = pass;
    passLeft_ = pass.samples;
    aheadPhase_ = pass.phase;
    aheadStep_ = pass.phaseStep;
    aheadBlocks_ = pass.blocks;
    active_ = pipeline_.runner() && kChunk >= blockSize_ && chunkStore_ && sampleStore_;
}

bool SineLookAhead::prepare(int k, bool)
{
    Chunk& chunk = chunks_[k];
    if (chunk.phaseCount == 0 && passLeft_ > 0)
        accumulate(chunk);
    return chunk.phaseCount > 0;
}

// The phases of a chunk are free once its sines are computed: only its sines
// are served. A tone's are accumulated while the samples are taken, by
// workAhead as far as it gets and by the next take for the rest.
void SineLookAhead::prepareAhead(int k)
{
    if (passLeft_ > 0 && pass_.sweep)
        accumulate(chunks_[k]);
    else if (passLeft_ > 0)
        beginAccumulation(chunks_[k]);
}

RangeRunner::Piece SineLookAhead::claim(int k, uint32_t& count, void*& context)
{
    Chunk& chunk = chunks_[k];
    chunk.sineCount = chunk.phaseCount;
    chunk.sinesLastPhase = chunk.lastPhase;
    chunk.sinesLastStep = chunk.lastStep;
    // The body's part of the chunk, in its own indices.
    const auto local = [&](uint32_t at) {
        return at <= chunk.phaseFirst ? 0 : std::min(at - chunk.phaseFirst, chunk.sineCount);
    };
    chunk.bodyBegin = local(pass_.bodyBegin);
    chunk.bodyEnd = local(pass_.bodyEnd);
    chunk.gain = pass_.gain;
    chunk.phaseCount = 0;
    count = chunk.sineCount;
    context = &chunk;
    return sines;
}

// Past the pass the look-ahead stops, handing over the phase where the last
// chunk served ends.
bool SineLookAhead::takeNextChunk(double& phase, double& phaseStep)
{
    if (!pipeline_.take()) {
        const Chunk& last = chunks_[pipeline_.serving()];
        phase = last.sinesLastPhase;
        phaseStep = last.sinesLastStep;
        active_ = false;
        return false;
    }
    next_ = 0;
    end_ = chunks_[pipeline_.serving()].sineCount;
    return true;
}

void SineLookAhead::settle()
{
    pipeline_.settle();
    for (Chunk& chunk : chunks_)
        chunk.phaseCount = 0;
    accumulating_ = nullptr;
    next_ = end_ = 0;
    active_ = false;
}

const int32_t* SineLookAhead::sampleRun(uint32_t count, uint32_t& run, double& phase, double& phaseStep)
{
    if (next_ == end_ && !takeNextChunk(phase, phaseStep))
        return nullptr;
    run = std::min(count, end_ - next_);
    const int32_t* samples = chunks_[pipeline_.serving()].samples + next_;
    next_ += run;
    return samples;
}

bool SineLookAhead::block(uint32_t n, const double*& sines, const int32_t*& samples, double& phase,
                          double& phaseStep)
{
    if (next_ == end_ && !takeNextChunk(phase, phaseStep))
        return false;
    sines = chunks_[pipeline_.serving()].sines + next_;
    samples = chunks_[pipeline_.serving()].samples + next_;
    next_ += n;
    return true;
}

void sweepBlockPhases(double& phase, double& phaseStep, double sweepStep, bool lastBlock, double* phases,
                      uint32_t n)
{
    double p = phase, step = phaseStep;
    if (lastBlock) {
        for (uint32_t i = 0; i < n; ++i) {
            phases[i] = p;
            p = p + step;
        }
    } else {
        for (uint32_t i = 0; i < n; ++i) {
            phases[i] = p;
            p = p + step;
            step = step - sweepStep;
        }
    }
    if (p >= kCircle)
        p = std::fmod(p, kCircle);
    phase = p;
    phaseStep = step;
}
