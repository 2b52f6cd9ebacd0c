// Gaussian white noise.
//
// The samples are made ahead, many blocks at a time, in two chunks: while
// the blocks are served from one, the random words of the next are drawn in
// their order and the gaussian transform of each of its pairs, which depends
// on the pair's two words only, is offered to the range runner, which may
// spread it over several CPUs.
#pragma once

#include <cstdint>
#include <memory>

#include "chunk_pipeline.h"
#include "mwc_random.h"
#include "noise_frame.h"
#include "range_runner.h"

class WhiteNoiseGenerator final : public NoiseGeneratorFrame, private ChunkPipeline::Stages {
public:
    WhiteNoiseGenerator();
    // False when there is no memory for the source or the chunks (nothing is armed).
    bool configureWhite(uint32_t sampleRate, int32_t width, double duration, uint32_t attenuation);
    void fillWhiteBlock(int32_t* samples, uint32_t count);
    bool whiteActive() const { return active_; }
    // Who runs the transforms; null (the default) runs them here.
    void setRangeRunner(RangeRunner* runner);
    void disarm();
    ~WhiteNoiseGenerator();
    WhiteNoiseGenerator(const WhiteNoiseGenerator&) = delete;
    WhiteNoiseGenerator& operator=(const WhiteNoiseGenerator&) = delete;

    std::unique_ptr<MwcRandom> source;

private:
    static constexpr uint32_t kAheadPairs = 16384;  // 64 blocks of 512 samples

    // The words of a chunk are drawn while the chunk before it is served and
    // transformed while the blocks take the one before that, so the drawing,
    // which must keep its order, runs beside the transforms.
    struct Chunk {
        std::unique_ptr<uint32_t[]> words;   // two per pair, in drawing order
        std::unique_ptr<int32_t[]> samples;  // two per pair
        uint32_t wordPairs = 0;              // pairs drawn into words
        uint32_t samplePairs = 0;            // pairs made into samples
        bool drawn = false;                  // words wait to be transformed
        double scale = 0.0;                  // the signal's, taken when drawn
        int32_t width = 0;
        double normaliser = 0.0;
    };
    static int32_t whiteSample(double g, double scale, int32_t width);
    static void transform(void* chunk, uint32_t begin, uint32_t end);
    void draw(Chunk& chunk);
    void settleChunks();
    // The pipeline's stages: a chunk's words are its inputs, its samples
    // what is computed.
    bool prepare(int k, bool needed) override;
    RangeRunner::Piece claim(int k, uint32_t& count, void*& context) override;

    Chunk chunks_[2];
    ChunkPipeline pipeline_{*this};
    uint32_t aheadNext_ = 0, aheadEnd_ = 0;  // samples of the served chunk
    uint32_t undrawnPairs_ = 0;           // pairs the signal still needs drawn
};
