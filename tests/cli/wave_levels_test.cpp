#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "progress_bar.h"
#include "wave_levels.h"

namespace {

// A two-channel 48000 Hz PCM file with a fact chunk before the data, so that
// the reader must walk the chunks rather than assume offsets.
std::string writeWave(const std::vector<int32_t>& frames, uint32_t bits)
{
    std::string file, data;
    auto put = [](std::string& to, uint32_t v, uint32_t bytes) {
        for (uint32_t i = 0; i < bytes; ++i)
            to.push_back(static_cast<char>(v >> (8 * i)));
    };
    for (int32_t s : frames)
        for (int channel = 0; channel < 2; ++channel)
            put(data, static_cast<uint32_t>(s), bits / 8);
    const uint32_t fields[][2] = {{0, 4}, {16, 4}, {1, 2}, {2, 2}, {48000, 4}, {48000 * bits / 4, 4}, {bits / 4, 2},
                                  {bits, 2}, {4, 4}, {uint32_t(frames.size() * 2), 4}, {uint32_t(data.size()), 4}};
    const char* tags[] = {"RIFF", "WAVEfmt ", "", "", "", "", "", "", "fact", "", "data"};
    for (int i = 0; i < 11; ++i)
        file += tags[i], put(file, fields[i][0], fields[i][1]);
    const std::string path = ::testing::TempDir() + "levels_" + std::to_string(bits) + ".wav";
    std::ofstream(path, std::ios::binary) << file + data;
    return path;
}

TEST(WaveLevels, PeakAndRmsOfTheSignalOnly)
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
    EXPECT_EQ(std::tuple(r.levels->rate, r.levels->bits, r.levels->frames, r.levels->signalFrames),
              std::tuple(48000u, 24, 2048u, 1000u));
    const double halfScale = 20.0 * std::log10(4194304.0 / 8388607.0);
    EXPECT_NEAR(r.levels->peakDbfs, halfScale, 1e-9);
    EXPECT_NEAR(r.levels->rmsDbfs, halfScale, 1e-9);

    // The most negative sample lies just above full scale; silence is -inf.
    frames.assign(513, 0);
    EXPECT_EQ(measureWaveFile(writeWave(frames, 16)).levels->peakDbfs, -INFINITY);
    EXPECT_EQ(measureWaveFile(writeWave(frames, 16)).levels->rmsDbfs, -INFINITY);
    frames.back() = -32768;
    EXPECT_NEAR(measureWaveFile(writeWave(frames, 16)).levels->peakDbfs, 20.0 * std::log10(32768.0 / 32767.0), 1e-12);
    frames.back() = INT32_MIN + 1;
    EXPECT_NEAR(measureWaveFile(writeWave(frames, 32)).levels->peakDbfs, 0.0, 1e-12);

    EXPECT_FALSE(measureWaveFile(::testing::TempDir() + "missing.wav").levels);
    const std::string broken = ::testing::TempDir() + "broken.wav";
    std::ofstream(broken, std::ios::binary) << "RIFF\0\0\0\0AVI LIST";
    EXPECT_EQ(measureWaveFile(broken).error, "not a RIFF/WAVE file");
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
