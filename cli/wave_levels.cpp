#include "wave_levels.h"

#include <cmath>
#include <limits>

namespace {

// Sign-extended little-endian sample of 2, 3 or 4 bytes.
template <int Bytes>
int64_t sampleAt(const unsigned char* p)
{
    uint32_t raw = 0;
    for (int i = 0; i < Bytes; ++i)
        raw |= static_cast<uint32_t>(p[i]) << (8 * i);
    constexpr int shift = 32 - 8 * Bytes;
    return static_cast<int32_t>(raw << shift) >> shift;
}

struct BlockSums {
    int64_t peak = 0;
    double squares = 0.0;
    uint64_t lastNonZero = 0;  // one past the block's last non-zero frame
};

template <int Bytes>
BlockSums sumBlock(const unsigned char* p, uint64_t frames)
{
    BlockSums sums;
    double partial[4] = {0.0, 0.0, 0.0, 0.0};  // independent additions
    for (uint64_t f = 0; f < frames; ++f, p += 2 * Bytes) {
        const int64_t s = sampleAt<Bytes>(p);
        const int64_t magnitude = s < 0 ? -s : s;
        sums.peak = magnitude > sums.peak ? magnitude : sums.peak;
        if (s != 0)
            sums.lastNonZero = f + 1;
        const double d = static_cast<double>(s);
        partial[f & 3] += d * d;
    }
    sums.squares = (partial[0] + partial[1]) + (partial[2] + partial[3]);
    return sums;
}

double toDbfs(double level, double scale)
{
    if (level <= 0.0)
        return -std::numeric_limits<double>::infinity();
    return 20.0 * std::log10(level / scale);
}

}  // namespace

double fullScale(int bits)
{
    return static_cast<double>((int64_t{1} << (bits - 1)) - 1);
}

LevelMeter::LevelMeter(int bits) : bytes_(bits / 8)
{
    // The silent block is written before any generator block.
    frames_ = kLeadingSilentFrames;
}

void LevelMeter::addBlock(const unsigned char* block, int bytes)
{
    const auto frames = static_cast<uint64_t>(bytes / (2 * bytes_));
    const BlockSums sums = bytes_ == 2   ? sumBlock<2>(block, frames)
                           : bytes_ == 3 ? sumBlock<3>(block, frames)
                                         : sumBlock<4>(block, frames);
    if (sums.lastNonZero > 0)
        lastNonZero_ = frames_ + sums.lastNonZero;
    peak_ = sums.peak > peak_ ? sums.peak : peak_;
    squares_ += sums.squares;
    frames_ += frames;
}

WaveLevels LevelMeter::levels() const
{
    WaveLevels levels;
    const double scale = fullScale(8 * bytes_);
    levels.frames = frames_;
    levels.signalFrames = lastNonZero_ > kLeadingSilentFrames ? lastNonZero_ - kLeadingSilentFrames : 0;
    levels.peakDbfs = toDbfs(static_cast<double>(peak_), scale);
    // Zero frames add nothing to the squares; only the frames up to the last
    // non-zero one (the padding of the last block left out) divide them.
    levels.rmsDbfs = levels.signalFrames == 0
                         ? toDbfs(0.0, scale)
                         : toDbfs(std::sqrt(squares_ / static_cast<double>(levels.signalFrames)), scale);
    return levels;
}
