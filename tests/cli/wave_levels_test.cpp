#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "progress_bar.h"
#include "wave_levels.h"

namespace {

void put(std::string& s, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// A minimal two-channel PCM file with an extra chunk before the data, to
// show that the reader walks chunks rather than assuming offsets.
std::string writeWave(const std::vector<int32_t>& frames, int bits, uint32_t rate = 48000)
{
    int bytes = bits / 8;
    std::string data;
    for (int32_t s : frames)
        for (int channel = 0; channel < 2; ++channel)
            put(data, static_cast<uint32_t>(s), bytes);
    std::string file = "RIFF";
    put(file, 0, 4);
    file += "WAVEfmt ";
    put(file, 16, 4);
    put(file, 1, 2);
    put(file, 2, 2);
    put(file, rate, 4);
    put(file, rate * 2 * bytes, 4);
    put(file, 2 * bytes, 2);
    put(file, bits, 2);
    file += "fact";
    put(file, 4, 4);
    put(file, static_cast<uint32_t>(frames.size() * 2), 4);
    file += "data";
    put(file, static_cast<uint32_t>(data.size()), 4);
    file += data;

    std::string path = ::testing::TempDir() + "levels_" + std::to_string(bits) + ".wav";
    std::ofstream(path, std::ios::binary) << file;
    return path;
}

TEST(WaveLevels, PeakAndRmsAfterSilenceWithoutPadding)
{
    // 512 silent frames (a loud sample there must be ignored), then a square
    // wave at half of full scale, then zero padding that is not signal.
    std::vector<int32_t> frames(512, 0);
    frames[100] = 8388607;
    for (int i = 0; i < 1000; ++i)
        frames.push_back(i % 2 ? 4194304 : -4194304);
    frames.insert(frames.end(), 536, 0);
    WaveLevelsResult r = measureWaveFile(writeWave(frames, 24));
    ASSERT_TRUE(r.levels) << r.error;
    EXPECT_EQ(r.levels->rate, 48000u);
    EXPECT_EQ(r.levels->bits, 24);
    EXPECT_EQ(r.levels->frames, 2048u);
    EXPECT_EQ(r.levels->signalFrames, 1000u);
    double halfScale = 20.0 * std::log10(4194304.0 / 8388607.0);
    EXPECT_NEAR(r.levels->peakDbfs, halfScale, 1e-9);
    EXPECT_NEAR(r.levels->rmsDbfs, halfScale, 1e-9);
}

TEST(WaveLevels, WidthsAndSilence)
{
    std::vector<int32_t> frames(512, 0);
    frames.push_back(-32768);  // the most negative sample lies just above full scale
    EXPECT_NEAR(measureWaveFile(writeWave(frames, 16)).levels->peakDbfs,
                20.0 * std::log10(32768.0 / 32767.0), 1e-12);
    frames.back() = INT32_MIN + 1;
    EXPECT_NEAR(measureWaveFile(writeWave(frames, 32)).levels->peakDbfs, 0.0, 1e-12);

    frames.back() = 0;
    WaveLevels silent = *measureWaveFile(writeWave(frames, 16)).levels;
    EXPECT_EQ(silent.peakDbfs, -INFINITY);
    EXPECT_EQ(silent.rmsDbfs, -INFINITY);
}

TEST(WaveLevels, BrokenFilesAreReported)
{
    EXPECT_FALSE(measureWaveFile(::testing::TempDir() + "missing.wav").levels);
    std::string path = ::testing::TempDir() + "broken.wav";
    std::ofstream(path, std::ios::binary) << "RIFF\0\0\0\0AVI LIST";
    EXPECT_EQ(measureWaveFile(path).error, "not a RIFF/WAVE file");
}

TEST(ProgressBar, FillsOnceAndClearsItsLine)
{
    // 1 s at 44100 Hz: 86 whole blocks, plus the silent block and the last pull.
    EXPECT_EQ(ProgressBar::expectedReports(44100, 1.0), 88u);
    std::ostringstream out, quiet;
    ProgressBar bar(out, 4, true), hidden(quiet, 4, false);
    for (int i = 0; i < 6; ++i) {
        bar.blockRendered();  // reports beyond the expected count stay at 100%
        hidden.blockRendered();
    }
    EXPECT_NE(out.str().find(" 25%"), std::string::npos);
    EXPECT_EQ(out.str().find("100%"), out.str().rfind("100%"));
    bar.finish();
    hidden.finish();
    EXPECT_EQ(out.str().back(), '\r');
    EXPECT_EQ(quiet.str(), "");
}

}  // namespace
