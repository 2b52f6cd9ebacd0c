// Peak and RMS level of a rendered signal, measured on its blocks as the
// render writes them.
#pragma once

#include <cstdint>

#include "block_frames.h"

struct WaveLevels {
    uint64_t frames = 0;        // every frame of the file, the silent block included
    uint64_t signalFrames = 0;  // after the silent block, up to the last non-zero frame
    double peakDbfs = 0.0;      // -infinity when the signal is all zeros
    double rmsDbfs = 0.0;
};

constexpr uint64_t kLeadingSilentFrames = kBlockFrames;

// Full-scale peak of a width: 32767, 8388607 or 2147483647.
double fullScale(int bits);

class LevelMeter {
public:
    explicit LevelMeter(int bits);
    // One block of interleaved two-channel frames. The channels are
    // identical, so the first channel's samples are measured.
    void addBlock(const unsigned char* block, int bytes);
    // The levels of the blocks added so far, behind the leading silent block.
    WaveLevels levels() const;

private:
    int bytes_;
    uint64_t frames_ = 0;       // frames added
    uint64_t lastNonZero_ = 0;  // one past the last non-zero frame added
    int64_t peak_ = 0;
    double squares_ = 0.0;
};
