#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <sstream>
#include <vector>

#include "progress_bar.h"
#include "wave_levels.h"

namespace {

// Frames as the writer holds them: both channels, little-endian.
std::vector<unsigned char> frames(const std::vector<int32_t>& samples, int bits)
{
    std::vector<unsigned char> bytes;
    for (int32_t s : samples)
        for (int channel = 0; channel < 2; ++channel)
            for (int i = 0; i < bits / 8; ++i)
                bytes.push_back(static_cast<unsigned char>(static_cast<uint32_t>(s) >> (8 * i)));
    return bytes;
}

TEST(LevelMeter, PeakAndRmsOfTheSignalOnly)
{
    // A square wave at half of full scale, then zero padding that is not
    // signal, over blocks that split the signal anywhere.
    std::vector<int32_t> samples;
    for (int i = 0; i < 1000; ++i)
        samples.push_back(i % 2 ? 4194304 : -4194304);
    samples.insert(samples.end(), 24, 0);
    const auto bytes = frames(samples, 24);
    LevelMeter meter(24);
    meter.addBlock(bytes.data(), 3072);
    meter.addBlock(bytes.data() + 3072, 3072);
    const WaveLevels l = meter.levels();
    EXPECT_EQ(l.frames, 512u + 1024u);
    EXPECT_EQ(l.signalFrames, 1000u);
    const double halfScale = 20.0 * std::log10(4194304.0 / 8388607.0);
    EXPECT_NEAR(l.peakDbfs, halfScale, 1e-9);
    EXPECT_NEAR(l.rmsDbfs, halfScale, 1e-9);

    // Silence is -inf; the most negative sample lies just above full scale.
    LevelMeter silent(16), low(16), wide(32);
    const auto zeros = frames(std::vector<int32_t>(512, 0), 16);
    silent.addBlock(zeros.data(), 2048);
    EXPECT_EQ(silent.levels().peakDbfs, -INFINITY);
    EXPECT_EQ(silent.levels().rmsDbfs, -INFINITY);
    const auto lowest = frames({-32768}, 16);
    low.addBlock(lowest.data(), 4);
    EXPECT_NEAR(low.levels().peakDbfs, 20.0 * std::log10(32768.0 / 32767.0), 1e-12);
    const auto widest = frames({INT32_MIN + 1}, 32);
    wide.addBlock(widest.data(), 8);
    EXPECT_NEAR(wide.levels().peakDbfs, 0.0, 1e-12);
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
    EXPECT_TRUE(out.str().ends_with("\r\x1b[K"));
    EXPECT_EQ(quiet.str(), "");
}

}  // namespace
