#include "wave_levels.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

#include "kernel_set.h"

// The lane types are passed only between functions of this file.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace {

// Sign-extended little-endian sample of 2, 3 or 4 bytes.
template <int Bytes>
__attribute__((always_inline)) inline int64_t sampleAt(const unsigned char* p)
{
    if constexpr (std::endian::native != std::endian::little && Bytes != 3) {
        uint32_t raw = 0;
        for (int i = Bytes - 1; i >= 0; --i)
            raw = raw << 8 | p[i];
        return Bytes == 2 ? int64_t{static_cast<int16_t>(raw)} : int64_t{static_cast<int32_t>(raw)};
    } else if constexpr (Bytes == 2) {
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

// Four frames side by side: their samples as 32-bit lanes, their squares as
// double lanes (each lane a running sum of every fourth frame).
typedef int32_t Samples __attribute__((vector_size(16)));
typedef double Squares __attribute__((vector_size(32)));

// The first-channel samples of four frames at p.
template <int Bytes>
__attribute__((always_inline)) inline Samples fourSamples(const unsigned char* p)
{
    if constexpr (Bytes == 2 && std::endian::native == std::endian::little) {
        // Each frame is one 32-bit word, its first channel in the low half.
        Samples words;
        std::memcpy(&words, p, sizeof words);
        return (words << 16) >> 16;
    } else if constexpr (Bytes == 4 && std::endian::native == std::endian::little) {
        Samples a, b;
        std::memcpy(&a, p, sizeof a);
        std::memcpy(&b, p + sizeof a, sizeof b);
        return __builtin_shufflevector(a, b, 0, 2, 4, 6);
    } else {
        constexpr int stride = 2 * Bytes;
        return Samples{static_cast<int32_t>(sampleAt<Bytes>(p)), static_cast<int32_t>(sampleAt<Bytes>(p + stride)),
                       static_cast<int32_t>(sampleAt<Bytes>(p + 2 * stride)),
                       static_cast<int32_t>(sampleAt<Bytes>(p + 3 * stride))};
    }
}

// Four frames a step in lanes, so that the measurement costs little beside
// the render. Squares of 16 and 24-bit samples are summed exactly: a lane
// holds at most 2^22 squares of 16-bit samples (each at most 2^30) or 128 of
// 24-bit ones (below 2^46), a whole number of at most 2^53, before it is
// moved into a 64-bit integer. 32-bit squares are summed in double, each lane
// over its frames in order, the four lanes added pairwise at the end. The
// last non-zero frame is looked for from the block's end.
template <int Bytes>
__attribute__((always_inline)) inline BlockSums sumBlockBody(const unsigned char* p, uint64_t frames)
{
    constexpr bool exact = Bytes != 4;
    constexpr uint64_t kExactRun = Bytes == 2 ? uint64_t{1} << 22 : 128;  // steps a lane may sum exactly
    constexpr int stride = 2 * Bytes;
    const unsigned char* const first = p;
    Samples high = {}, low = {};
    Squares lanes = {};
    int64_t whole = 0;
    uint64_t f = 0;
    uint64_t run = 0;
    for (; f + 4 <= frames; f += 4, p += 4 * stride) {
        const Samples v = fourSamples<Bytes>(p);
        high = v > high ? v : high;
        low = v < low ? v : low;
        const Squares d = __builtin_convertvector(v, Squares);
        lanes += d * d;
        if (exact && ++run == kExactRun) {
            whole += static_cast<int64_t>(lanes[0]) + static_cast<int64_t>(lanes[1]) +
                     static_cast<int64_t>(lanes[2]) + static_cast<int64_t>(lanes[3]);
            lanes = Squares{};
            run = 0;
        }
    }
    if constexpr (exact) {
        whole += static_cast<int64_t>(lanes[0]) + static_cast<int64_t>(lanes[1]) + static_cast<int64_t>(lanes[2]) +
                 static_cast<int64_t>(lanes[3]);
        lanes = Squares{};
    }
    int64_t top = std::max(std::max(high[0], high[1]), std::max(high[2], high[3]));
    int64_t bottom = std::min(std::min(low[0], low[1]), std::min(low[2], low[3]));
    for (; f < frames; ++f, p += stride) {
        const int64_t s = sampleAt<Bytes>(p);
        top = s > top ? s : top;
        bottom = s < bottom ? s : bottom;
        const double d = static_cast<double>(s);
        lanes[0] += d * d;
    }
    BlockSums sums;
    sums.peak = top > -bottom ? top : -bottom;
    if constexpr (exact)
        sums.squares = static_cast<double>(whole + static_cast<int64_t>(lanes[0]));
    else
        sums.squares = (lanes[0] + lanes[1]) + (lanes[2] + lanes[3]);
    uint64_t last = frames;
    while (last > 0 && sampleAt<Bytes>(first + (last - 1) * stride) == 0)
        --last;
    sums.lastNonZero = last;
    return sums;
}

// The block sums compiled for the baseline and, on x86, for AVX2 (the four
// lanes in one register); both give the same sums.
#if defined(__x86_64__) || defined(__i386__)
template <int Bytes>
__attribute__((target("avx2"))) BlockSums sumBlockAvx2(const unsigned char* p, uint64_t frames)
{
    return sumBlockBody<Bytes>(p, frames);
}
#endif
template <int Bytes>
BlockSums sumBlockBaseline(const unsigned char* p, uint64_t frames)
{
    return sumBlockBody<Bytes>(p, frames);
}

struct SumKernels {
    BlockSums (*two)(const unsigned char*, uint64_t);
    BlockSums (*three)(const unsigned char*, uint64_t);
    BlockSums (*four)(const unsigned char*, uint64_t);
};

// Chosen during static initialisation, like the generators' kernels.
const SumKernels sumKernels = [] {
#if defined(__x86_64__) || defined(__i386__)
    if (kernelSet() == KernelSet::Avx2)
        return SumKernels{sumBlockAvx2<2>, sumBlockAvx2<3>, sumBlockAvx2<4>};
#endif
    return SumKernels{sumBlockBaseline<2>, sumBlockBaseline<3>, sumBlockBaseline<4>};
}();

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
    const BlockSums sums = bytes_ == 2   ? sumKernels.two(block, frames)
                           : bytes_ == 3 ? sumKernels.three(block, frames)
                                         : sumKernels.four(block, frames);
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
