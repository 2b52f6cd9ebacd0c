#include "engine.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>

#include "seed_clock.h"
#include "test_files.h"

namespace {

class CountingNotifier : public ProgressNotifier {
public:
    void blockRendered() override { ++count; }
    int count = 0;
};

class Engine : public ::testing::Test {
protected:
    void SetUp() override
    {
        setSeedTime(1700000000);
        ASSERT_TRUE(isEngineAvailable());
        ASSERT_TRUE(createEngine(&notifier, false));
    }
    void TearDown() override
    {
        shutdownEngine();
        setSeedTime(std::nullopt);
    }
    std::string file(const std::string& name) { return dir.file(name); }

    CountingNotifier notifier;
    ScratchDir dir;
};

TEST_F(Engine, RangeEdges)
{
    const std::string p = file("edge.wav");
    const char* path = p.c_str();
    for (uint32_t rate : {44100u, 48000u, 96000u}) {
        ASSERT_TRUE(setEngineSampleRate(rate));
        EXPECT_EQ(renderSine(path, 10.0, 0.5, 3, 16), 0);
        EXPECT_EQ(renderSine(path, 22050.0, 0.5, 3, 16), 0);
        EXPECT_EQ(renderSine(path, 9.999, 0.5, 3, 16), -1);
        EXPECT_EQ(renderSine(path, 22050.001, 0.5, 3, 16), -1);
        EXPECT_EQ(renderSweep(path, 10.0, 22050.0, 0.1, 3, 16), 0);
        EXPECT_EQ(renderSweep(path, 22050.5, 100.0, 0.1, 3, 16), -1);
        EXPECT_EQ(renderSweep(path, 100.0, 9.5, 0.1, 3, 16), -1);
    }
    ASSERT_TRUE(setEngineSampleRate(44100));
    EXPECT_EQ(renderSine(path, 1000.0, 0.01, 3, 16), 0);
    EXPECT_EQ(renderSine(path, 1000.0, 0.0099, 3, 16), -1);
    EXPECT_EQ(renderSweep(path, 100.0, 1000.0, 0.01, 3, 16), -1);
    EXPECT_EQ(renderPinkNoise(path, 0.01, 3, 16), -1);
    EXPECT_EQ(renderWhiteNoise(path, 0.09, 3, 16), -1);
    EXPECT_EQ(renderWhiteNoise(path, 120.0001, 3, 16), -1);
    EXPECT_EQ(renderPinkNoise(path, 0.1, 90, 16), 0);
    EXPECT_EQ(renderPinkNoise(path, 0.1, 91, 16), -1);
    EXPECT_EQ(renderWhiteNoise(path, 0.1, static_cast<uint32_t>(-3), 16), -1);
    EXPECT_EQ(renderSine(path, NAN, 0.5, 3, 16), -1);
    EXPECT_EQ(renderSine(path, 440.0, NAN, 3, 16), -1);
}

TEST_F(Engine, LongestJobIsAccepted)
{
    // 120 s at the lowest rate and width is the longest job; its header must
    // match its data.
    const std::string p = file("long.wav");
    ASSERT_EQ(renderWhiteNoise(p.c_str(), 120.0, 3, 16), 0);
    auto b = readBytes(p);
    EXPECT_TRUE(isConsistentWave(b));
    EXPECT_EQ(le32(b, 136), (1u + 10336u) * 2048u);  // 5292000 samples in 10336 blocks
}

TEST_F(Engine, MissingDirectoryAnswersMinus100WithoutProgress)
{
    const std::string p = file("no/such/x.wav");
    EXPECT_EQ(renderSine(p.c_str(), 440.0, 0.5, 3, 16), -100);
    EXPECT_EQ(notifier.count, 0);
    EXPECT_FALSE(std::filesystem::exists(p));
}

TEST_F(Engine, AFailedJobLeavesNothingArmedForTheNext)
{
    const std::string bad = file("no/such/x.wav");
    const std::string first = file("first.wav");
    const std::string second = file("second.wav");
    // Each kind fails, then a sine must still be a sine.
    EXPECT_EQ(renderWhiteNoise(bad.c_str(), 1.0, 3, 16), -100);
    EXPECT_EQ(renderPinkNoise(bad.c_str(), 1.0, 3, 16), -100);
    EXPECT_EQ(renderSweep(bad.c_str(), 100.0, 200.0, 1.0, 3, 16), -100);
    EXPECT_EQ(renderSine(first.c_str(), 440.0, 0.5, 3, 16), 0);
    EXPECT_EQ(renderSine(second.c_str(), 440.0, 0.5, 3, 16), 0);
    EXPECT_EQ(readBytes(first), readBytes(second));
    EXPECT_EQ(readBytes(first).size(), 140u + 2048u * 45u);  // 22050 samples: 44 blocks
}

TEST(EngineWithoutHost, JobsAnswerZeroAndTouchNothing)
{
    ScratchDir dir;
    const std::string p = dir.file("none.wav");
    shutdownEngine();
    EXPECT_EQ(renderSine(p.c_str(), 440.0, 0.5, 3, 16), 0);
    EXPECT_EQ(renderSine(p.c_str(), 440.0, 500.0, 3, 16), -1);
    EXPECT_FALSE(std::filesystem::exists(p));
    EXPECT_FALSE(setEngineSampleRate(48000));
    EXPECT_EQ(getEngineSampleRate(), 0);
}

// Reads a file with libsndfile, independently of our own writer.
struct ReadBack {
    SF_INFO info{};
    std::vector<int32_t> frames;  // interleaved, as 32-bit
};

ReadBack readWithSndfile(const std::string& path)
{
    ReadBack r;
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &r.info);
    if (!f)
        return r;
    r.frames.resize(size_t(r.info.frames) * size_t(r.info.channels));
    sf_read_int(f, r.frames.data(), r.info.frames * r.info.channels);
    sf_close(f);
    return r;
}

TEST_F(Engine, EveryKindWidthAndRateReadsBackElsewhere)
{
    const std::string p = file("e2e.wav");
    for (uint32_t rate : {44100u, 48000u, 96000u}) {
        ASSERT_TRUE(setEngineSampleRate(rate));
        for (int bits : {16, 24, 32}) {
            for (int kind = 0; kind < 4; ++kind) {
                notifier.count = 0;
                int result = kind == 0   ? renderSine(p.c_str(), 1000.0, 0.2, 3, bits)
                             : kind == 1 ? renderSweep(p.c_str(), 100.0, 5000.0, 0.2, 3, bits)
                             : kind == 2 ? renderPinkNoise(p.c_str(), 0.2, 3, bits)
                                         : renderWhiteNoise(p.c_str(), 0.2, 3, bits);
                ASSERT_EQ(result, 0);
                ReadBack r = readWithSndfile(p);
                SCOPED_TRACE(testing::Message() << "rate " << rate << " bits " << bits << " kind " << kind);
                ASSERT_EQ(r.info.channels, 2);
                EXPECT_EQ(r.info.samplerate, int(rate));
                const int subtype = r.info.format & SF_FORMAT_SUBMASK;
                EXPECT_EQ(subtype, bits == 16 ? SF_FORMAT_PCM_16 : bits == 24 ? SF_FORMAT_PCM_24 : SF_FORMAT_PCM_32);
                ASSERT_EQ(r.info.frames % 512, 0);
                const int n = int(r.info.frames / 512) - 1;
                EXPECT_EQ(notifier.count, n + 2);
                EXPECT_GE(n, int(rate * 0.2 / 512));
                bool silent = true, identical = true, signal = false;
                for (sf_count_t i = 0; i < r.info.frames; ++i) {
                    const int32_t left = r.frames[size_t(2 * i)], right = r.frames[size_t(2 * i + 1)];
                    identical = identical && left == right;
                    if (i < 512)
                        silent = silent && left == 0;
                    else
                        signal = signal || left != 0;
                }
                EXPECT_TRUE(silent);
                EXPECT_TRUE(identical);
                EXPECT_TRUE(signal);
            }
        }
    }
}

TEST_F(Engine, TenthOfASecondOfWhiteNoise)
{
    const std::string p = file("white.wav");
    ASSERT_EQ(renderWhiteNoise(p.c_str(), 0.1, 3, 16), 0);
    EXPECT_EQ(readBytes(p).size(), 20620u);
    EXPECT_EQ(notifier.count, 11);
}

TEST_F(Engine, SameSeedTimeSameBytes)
{
    const std::string a = file("a.wav"), b = file("b.wav");
    for (int kind = 0; kind < 3; ++kind) {
        auto render = [&](const std::string& path) {
            return kind == 0   ? renderSine(path.c_str(), 441.0, 0.3, 0, 16)
                   : kind == 1 ? renderSweep(path.c_str(), 20.0, 20000.0, 0.3, 0, 16)
                               : renderWhiteNoise(path.c_str(), 0.3, 0, 24);
        };
        ASSERT_EQ(render(a), 0);
        ASSERT_EQ(render(b), 0);
        EXPECT_EQ(readBytes(a), readBytes(b)) << kind;
        setSeedTime(1700000001);
        ASSERT_EQ(render(b), 0);
        EXPECT_NE(readBytes(a), readBytes(b)) << kind;
        setSeedTime(1700000000);
    }
}

}  // namespace
