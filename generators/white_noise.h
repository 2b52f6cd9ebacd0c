// Gaussian white noise.
//
// The samples are made ahead, many blocks at a time: the random words of the
// pairs are drawn in their order, then the gaussian transform of each pair,
// which depends on its two words only, runs through the range runner, which
// may spread it over several CPUs. Blocks are then served from what was made.
#pragma once

#include <cstdint>
#include <memory>

#include "mwc_random.h"
#include "noise_frame.h"
#include "range_runner.h"

class WhiteNoiseGenerator : public NoiseGeneratorFrame {
public:
    WhiteNoiseGenerator();
    void configureWhite(uint32_t sampleRate, int32_t width, double duration, uint32_t attenuation);
    void fillWhiteBlock(int32_t* samples, uint32_t count);
    bool whiteActive() const { return active_; }
    // Who runs the transforms; null (the default) runs them here.
    void setRangeRunner(RangeRunner* runner) { runner_ = runner; }

    std::unique_ptr<MwcRandom> source;

private:
    static constexpr uint32_t kAheadPairs = 16384;  // 64 blocks of 512 samples

    int32_t whiteSample(double g) const;
    // Draws the next pairs' words and transforms them into the samples ahead.
    void makeAhead();
    static void transform(void* self, uint32_t begin, uint32_t end);

    RangeRunner* runner_ = nullptr;
    std::unique_ptr<uint32_t[]> words_;   // two per pair, in drawing order
    std::unique_ptr<int32_t[]> ahead_;    // two samples per pair
    uint32_t aheadNext_ = 0, aheadEnd_ = 0;
    uint32_t undrawnPairs_ = 0;           // pairs the signal still needs drawn
};
