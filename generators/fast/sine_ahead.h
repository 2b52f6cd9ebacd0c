// The sines of a tone's or a sweep's pass, computed ahead. The phases are
// accumulated in order, a chunk at a time, by the same repeated addition the
// plain definition makes; the sines of a chunk, which depend on its phases
// alone, and the samples they give times the gain, are computed through the
// range runner. The phases of a chunk are accumulated while the chunk before
// it is served and its sines computed while the samples take the one before
// that.
#pragma once

#include <cstdint>
#include <memory>

#include "chunk_pipeline.h"
#include "range_runner.h"

// The phases of one block of a sweep, a block at a time for the fills (the
// plain sweep makes them sample by sample), each the phase before its sample's
// step: the step falls by sweepStep after each but in the last block, which
// keeps the frequency reached at its start. The phase is then reduced to the
// circle, once per block.
void sweepBlockPhases(double& phase, double& phaseStep, double sweepStep, bool lastBlock, double* phases,
                      uint32_t n);

class SineLookAhead final : private ChunkPipeline::Stages {
public:
    explicit SineLookAhead(uint32_t blockSize);
    ~SineLookAhead();
    SineLookAhead(const SineLookAhead&) = delete;
    SineLookAhead& operator=(const SineLookAhead&) = delete;

    // Who computes the sines; null: nothing is computed ahead.
    void setRunner(RangeRunner* runner);

    // A pass of samples: from bodyBegin to bodyEnd the sines times gain, the
    // others times a fade window. A sweep's phase step falls by sweepStep
    // but in the last of its blocks and its phase is reduced at every
    // block's end; a tone's step stays.
    struct Pass {
        uint32_t samples = 0, bodyBegin = 0, bodyEnd = 0;
        double gain = 0.0, phase = 0.0, phaseStep = 0.0;
        bool sweep = false;
        uint32_t blocks = 0;
        double sweepStep = 0.0;
    };
    // Starts a pass; its sines are taken from here while active() holds.
    void start(const Pass& pass);
    bool active() const { return active_; }
    // Waits for sines still being computed, so the runner holds nothing of
    // ours, and forgets the pass.
    void settle();

    // The next sine of the pass. Past the pass (which the fills never
    // reach) it stops, and answers false with phase and phaseStep where the
    // sines it served end, for the caller to go on from.
    [[gnu::always_inline]] bool nextSine(double& sine, double& phase, double& phaseStep)
    {
        if (next_ == end_ && !takeNextChunk(phase, phaseStep))
            return false;
        sine = chunks_[pipeline_.serving()].sines[next_++];
        return true;
    }
    // The samples of the next sines times the gain, as one run of at most
    // count; null past the pass, as nextSine.
    const int32_t* sampleRun(uint32_t count, uint32_t& run, double& phase, double& phaseStep);
    // The next n sines and their samples times the gain (a sweep's block,
    // which never spans two chunks); false past the pass, as nextSine.
    bool block(uint32_t n, const double*& sines, const int32_t*& samples, double& phase, double& phaseStep);

    // Accumulates a few of a tone's next phases ahead; answers whether there
    // were any to do.
    bool workAhead();

private:
    static constexpr uint32_t kChunk = 16384;
    // What one workAhead accumulates: about 80 ns of additions.
    static constexpr uint32_t kAheadStep = 64;
    struct Chunk {
        double* phases = nullptr;  // kChunk each, in chunkStore_
        double* sines = nullptr;
        int32_t* samples = nullptr;  // trunc(sine x gain), kChunk in sampleStore_
        uint32_t phaseFirst = 0;   // the pass's index of the first phase
        uint32_t phaseCount = 0;   // phases accumulated, waiting for their sines
        uint32_t sineCount = 0;    // sines computed
        double lastPhase = 0.0;    // where the accumulation stood after them
        double lastStep = 0.0;
        double sinesLastPhase = 0.0;  // the same for the sines computed
        double sinesLastStep = 0.0;
        // The sines in [bodyBegin, bodyEnd) are only ever taken as samples,
        // so only their samples are made, from quick values where those
        // truncate alike; elsewhere both sine and sample are the library's.
        uint32_t bodyBegin = 0, bodyEnd = 0;
        double gain = 0.0;
    };
    static void sines(void* chunk, uint32_t begin, uint32_t end);
    // Taking a new chunk, once in many thousand samples, is not inlined.
    [[gnu::noinline]] bool takeNextChunk(double& phase, double& phaseStep);
    // The pipeline's stages: a chunk's phases are its inputs, its sines and
    // samples what is computed.
    bool prepare(int k, bool needed) override;
    RangeRunner::Piece claim(int k, uint32_t& count, void*& context) override;
    void prepareAhead(int k) override;
    void completeInputs() override;
    void accumulate(Chunk& chunk);
    void accumulateSweep(Chunk& chunk);
    void beginAccumulation(Chunk& chunk);
    void accumulateSome(uint32_t most);

    const uint32_t blockSize_;
    ChunkPipeline pipeline_{*this};
    std::unique_ptr<double[]> chunkStore_;
    std::unique_ptr<int32_t[]> sampleStore_;
    Chunk chunks_[2];
    Pass pass_;
    bool active_ = false;
    uint32_t next_ = 0, end_ = 0;
    uint32_t passLeft_ = 0;      // samples of the pass whose phases are not accumulated
    double aheadPhase_ = 0.0;    // where the accumulation stands
    double aheadStep_ = 0.0;
    uint32_t aheadBlocks_ = 0;   // the sweep's blocks not yet accumulated
    Chunk* accumulating_ = nullptr;  // whose phases are being accumulated
    uint32_t accumulated_ = 0, accumulateCount_ = 0;
};
