#include "wave_levels.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <vector>

namespace {

uint32_t le32(const unsigned char* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

uint16_t le16(const unsigned char* p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

// Sign-extended little-endian sample of 2, 3 or 4 bytes.
int64_t sampleAt(const unsigned char* p, int bytes)
{
    uint32_t raw = 0;
    for (int i = 0; i < bytes; ++i)
        raw |= static_cast<uint32_t>(p[i]) << (8 * i);
    int shift = 32 - 8 * bytes;
    return static_cast<int32_t>(raw << shift) >> shift;
}

double toDbfs(double level, double scale)
{
    if (level <= 0.0)
        return -std::numeric_limits<double>::infinity();
    return 20.0 * std::log10(level / scale);
}

WaveLevelsResult failure(std::string reason)
{
    WaveLevelsResult result;
    result.error = std::move(reason);
    return result;
}

}  // namespace

double fullScale(int bits)
{
    return static_cast<double>((int64_t{1} << (bits - 1)) - 1);
}

WaveLevelsResult measureWaveFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return failure(std::strerror(errno));

    unsigned char riff[12];
    if (!in.read(reinterpret_cast<char*>(riff), sizeof riff) ||
        std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0)
        return failure("not a RIFF/WAVE file");

    // Walk the chunks: the format chunk must come before the data chunk.
    WaveLevels levels;
    int channels = 0;
    uint64_t dataBytes = 0;
    bool haveFormat = false;
    for (;;) {
        unsigned char header[8];
        if (!in.read(reinterpret_cast<char*>(header), sizeof header))
            return failure("no data chunk");
        uint32_t size = le32(header + 4);
        if (std::memcmp(header, "fmt ", 4) == 0) {
            unsigned char format[16];
            if (size < sizeof format || !in.read(reinterpret_cast<char*>(format), sizeof format))
                return failure("short format chunk");
            channels = le16(format + 2);
            levels.rate = le32(format + 4);
            levels.bits = le16(format + 14);
            haveFormat = true;
            in.seekg(static_cast<std::streamoff>(size - sizeof format + (size & 1)), std::ios::cur);
        } else if (std::memcmp(header, "data", 4) == 0) {
            dataBytes = size;
            break;
        } else {
            in.seekg(static_cast<std::streamoff>(size) + (size & 1), std::ios::cur);
        }
    }
    if (!haveFormat)
        return failure("no format chunk before the data");
    if (channels != 2 || (levels.bits != 16 && levels.bits != 24 && levels.bits != 32))
        return failure("not two-channel 16, 24 or 32-bit PCM");

    const int bytes = levels.bits / 8;
    const uint64_t frameBytes = static_cast<uint64_t>(bytes) * 2;
    levels.frames = dataBytes / frameBytes;

    // Sums run over the frames read so far; they are committed at each
    // non-zero frame so that trailing zeros drop out of the RMS.
    double peak = 0.0;
    double sumSquares = 0.0;
    double committedSquares = 0.0;
    uint64_t frameIndex = 0;
    uint64_t lastNonZero = 0;  // one past the last non-zero frame
    std::vector<unsigned char> buffer(frameBytes * 8192);
    while (frameIndex < levels.frames) {
        uint64_t want = levels.frames - frameIndex;
        if (want > 8192)
            want = 8192;
        if (!in.read(reinterpret_cast<char*>(buffer.data()),
                     static_cast<std::streamsize>(want * frameBytes)))
            return failure("the data chunk is shorter than its size says");
        for (uint64_t f = 0; f < want; ++f, ++frameIndex) {
            if (frameIndex < kLeadingSilentFrames)
                continue;
            bool nonZero = false;
            for (int channel = 0; channel < 2; ++channel) {
                double s = static_cast<double>(
                    sampleAt(&buffer[f * frameBytes + channel * bytes], bytes));
                double magnitude = std::fabs(s);
                if (magnitude > peak)
                    peak = magnitude;
                sumSquares += s * s;
                nonZero = nonZero || s != 0.0;
            }
            if (nonZero) {
                committedSquares = sumSquares;
                lastNonZero = frameIndex + 1;
            }
        }
    }

    const double scale = fullScale(levels.bits);
    levels.signalFrames = lastNonZero > kLeadingSilentFrames ? lastNonZero - kLeadingSilentFrames : 0;
    levels.peakDbfs = toDbfs(peak, scale);
    levels.rmsDbfs = levels.signalFrames == 0
                         ? toDbfs(0.0, scale)
                         : toDbfs(std::sqrt(committedSquares / (2.0 * levels.signalFrames)), scale);
    WaveLevelsResult result;
    result.levels = levels;
    return result;
}
