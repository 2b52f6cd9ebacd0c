// Reads a written WAVE file back and measures the level of its signal.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct WaveLevels {
    uint32_t rate = 0;
    int bits = 0;
    uint64_t frames = 0;         // every frame of the data chunk
    uint64_t signalFrames = 0;   // after the silent block, up to the last non-zero frame
    double peakDbfs = 0.0;       // -infinity when the signal is all zeros
    double rmsDbfs = 0.0;
};

struct WaveLevelsResult {
    std::optional<WaveLevels> levels;
    std::string error;  // why the file could not be measured
};

// Frames of leading silence that every file starts with.
constexpr uint64_t kLeadingSilentFrames = 512;

// Full-scale peak of a sample width: the largest positive sample.
double fullScale(int bits);

// Measures a two-channel 16, 24 or 32-bit integer PCM file. Peak and RMS are
// taken over both channels from the end of the leading silent block to the
// last non-zero frame (the zero padding of the final block is not signal),
// relative to the width's full-scale peak.
WaveLevelsResult measureWaveFile(const std::string& path);
