#include "wave_levels.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

namespace {

// Sign-extended little-endian sample of 2, 3 or 4 bytes.
template <int Bytes>
int64_t sampleAt(const unsigned char* p)
{
    if constexpr (Bytes == 2) {
        int16_t v;
        std::memcpy(&v, p, 2);
        return v;
    } else if constexpr (Bytes == 4) {
        int32_t v;
        std::memcpy(&v, p, 4);
        return v;
    } else {
        // The frame's second channel follows, so four bytes can be read: the
        // sample's three below the second channel's first.
        uint32_t raw;
        std::memcpy(&raw, p, 4);
        if constexpr (std::endian::native != std::endian::little)
            raw = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
        return static_cast<int32_t>(raw << 8) >> 8;
    }
}

struct BlockSums {
    int64_t peak = 0;
    double squares = 0.0;
    uint64_t lastNonZero = 0;  // one past the block's last non-zero frame
};

// Four frames a step with independent running values, so that the
// measurement costs little beside the render. Squares of 16 and 24-bit
// samples are summed exactly in integers (a block's sum stays below 2^56);
// 32-bit squares in double.
template <int Bytes>
BlockSums sumBlock(const unsigned char* p, uint64_t frames)
{
    using Square = std::conditional_t<Bytes == 4, double, int64_t>;
    int64_t high = 0, low = 0;
    Square q0 = 0, q1 = 0, q2 = 0, q3 = 0;
    uint64_t lastNonZero = 0;
    uint64_t f = 0;
    constexpr int stride = 2 * Bytes;
    for (; f + 4 <= frames; f += 4, p += 4 * stride) {
        const int64_t a = sampleAt<Bytes>(p), b = sampleAt<Bytes>(p + stride);
        const int64_t c = sampleAt<Bytes>(p + 2 * stride), d = sampleAt<Bytes>(p + 3 * stride);
        high = std::max(high, std::max(std::max(a, b), std::max(c, d)));
        low = std::min(low, std::min(std::min(a, b), std::min(c, d)));
        q0 += static_cast<Square>(a) * static_cast<Square>(a);
        q1 += static_cast<Square>(b) * static_cast<Square>(b);
        q2 += static_cast<Square>(c) * static_cast<Square>(c);
        q3 += static_cast<Square>(d) * static_cast<Square>(d);
        if ((a | b | c | d) != 0)
            lastNonZero = f + (d ? 4 : c ? 3 : b ? 2 : 1);
    }
    for (; f < frames; ++f, p += stride) {
        const int64_t s = sampleAt<Bytes>(p);
        high = s > high ? s : high;
        low = s < low ? s : low;
        q0 += static_cast<Square>(s) * static_cast<Square>(s);
        if (s != 0)
            lastNonZero = f + 1;
    }
    BlockSums sums;
    sums.peak = high > -low ? high : -low;
    sums.squares = static_cast<double>((q0 + q1) + (q2 + q3));
    sums.lastNonZero = lastNonZero;
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
