#include "engine.h"

#include <gtest/gtest.h>
#if VELTRANE_HAVE_SNDFILE
#include <sndfile.h>
#endif

#include <atomic>
#include <cmath>
#include <thread>

#include "audio_host.h"
#include "pinned_seed_time.h"
#include "wav_audio_driver.h"
#include "test_files.h"

namespace {

struct CountingNotifier : ProgressNotifier {
    void blockRendered() override { ++count; }
    int count = 0;
};

class Engine : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(isEngineAvailable());
        ASSERT_TRUE(createEngine(&notifier, false));
    }
    void TearDown() override { shutdownEngine(); }
    // kind 0 sine, 1 sweep, 2 white noise, 3 pink noise.
    static int render(int kind, const std::string& path, double duration, int bits, uint32_t db = 3)
    {
        return kind == 0   ? renderSine(path.c_str(), 1000.0, duration, db, bits)
               : kind == 1 ? renderSweep(path.c_str(), 100.0, 5000.0, duration, db, bits)
               : kind == 2 ? renderWhiteNoise(path.c_str(), duration, db, bits)
                           : renderPinkNoise(path.c_str(), duration, db, bits);
    }

    PinnedSeedTime pinned{1700000000};
    CountingNotifier notifier;
    ScratchDir dir;
};

TEST_F(Engine, RangeEdges)
{
    const std::string p = dir.file("edge.wav");
    const char* path = p.c_str();
    for (uint32_t rate : {44100u, 48000u, 96000u}) {
        ASSERT_TRUE(setEngineSampleRate(rate));
        const int results[] = {renderSine(path, 10.0, 0.5, 3, 16), renderSine(path, 22050.0, 0.5, 3, 16),
                               renderSine(path, 9.999, 0.5, 3, 16), renderSine(path, 22050.001, 0.5, 3, 16),
                               renderSweep(path, 10.0, 22050.0, 0.1, 3, 16), renderSweep(path, 22050.5, 100.0, 0.1, 3, 16),
                               renderSweep(path, 100.0, 9.5, 0.1, 3, 16)};
        EXPECT_EQ(std::vector<int>(std::begin(results), std::end(results)),
                  std::vector<int>({0, 0, -1, -1, 0, -1, -1})) << rate;
    }
    ASSERT_TRUE(setEngineSampleRate(44100));
    const int results[] = {renderSine(path, 1000.0, 0.01, 3, 16), renderSine(path, 1000.0, 0.0099, 3, 16),
                           renderSweep(path, 100.0, 1000.0, 0.01, 3, 16), renderPinkNoise(path, 0.01, 3, 16),
                           renderWhiteNoise(path, 0.09, 3, 16), renderWhiteNoise(path, 120.0001, 3, 16),
                           renderPinkNoise(path, 0.1, 90, 16), renderPinkNoise(path, 0.1, 91, 16),
                           renderWhiteNoise(path, 0.1, static_cast<uint32_t>(-3), 16),
                           renderSine(path, NAN, 0.5, 3, 16), renderSine(path, 440.0, NAN, 3, 16)};
    EXPECT_EQ(std::vector<int>(std::begin(results), std::end(results)),
              std::vector<int>({0, -1, -1, -1, -1, -1, 0, -1, -1, -1, -1}));

    // The longest job: 5292000 samples in 10336 blocks behind the silence.
    ASSERT_EQ(renderWhiteNoise(path, 120.0, 3, 16), 0);
    EXPECT_EQ(le32(readBytes(p), 136), (1u + 10336u) * 2048u);
}

// The engine may be created and shut down any number of times in a process,
// and a host made afterwards on its own device uses nothing the engine freed.
TEST(EngineLifetime, CyclesRenderTheSameBytesAndLeaveNothingBehind)
{
    ScratchDir dir;
    const std::string p = dir.file("cycle.wav");
    const PinnedSeedTime pinned(1700000000);
    std::vector<unsigned char> first;
    for (int cycle = 0; cycle < 3; ++cycle) {
        ASSERT_TRUE(createEngine(nullptr, cycle % 2 == 0));
        ASSERT_EQ(renderWhiteNoise(p.c_str(), 0.2, 3, 24), 0);
        ASSERT_EQ(renderSine(p.c_str(), 440.0, 0.2, 3, 24), 0);
        shutdownEngine();
        if (cycle == 0)
            first = readBytes(p);
        EXPECT_EQ(readBytes(p), first) << "cycle " << cycle;
    }
    WavAudioDriver device{nullptr, 512, false};
    AudioHost host{&device, nullptr};
    ASSERT_TRUE(host.prepareBuffers());
    host.startWhiteNoise(0.2, 3, 32, 44100);
    unsigned char block[4096];
    EXPECT_TRUE(device.pullBlock(block, 32));
    host.disarm();
    host.shutdownHost();
}

#if VELTRANE_HAVE_SNDFILE
TEST_F(Engine, EveryKindWidthAndRateReadsBackElsewhere)
{
    // libsndfile shares no code with our writer nor with the plain file.
    const std::string p = dir.file("e2e.wav");
    int kind = 0;
    for (uint32_t rate : {44100u, 48000u, 96000u}) {
        ASSERT_TRUE(setEngineSampleRate(rate));
        for (int bits : {16, 24, 32}) {
            SCOPED_TRACE(testing::Message() << "rate " << rate << " bits " << bits << " kind " << kind);
            notifier.count = 0;
            ASSERT_EQ(render(kind++ % 4, p, 0.2, bits), 0);
            SF_INFO info{};
            SNDFILE* f = sf_open(p.c_str(), SFM_READ, &info);
            ASSERT_NE(f, nullptr);
            std::vector<int32_t> frames(size_t(info.frames) * 2);
            EXPECT_EQ(sf_read_int(f, frames.data(), info.frames * 2), info.frames * 2);
            sf_close(f);
            EXPECT_EQ(std::vector<int>({info.channels, info.samplerate, info.format & SF_FORMAT_SUBMASK}),
                      std::vector<int>({2, int(rate), bits == 16 ? SF_FORMAT_PCM_16 : bits == 24 ? SF_FORMAT_PCM_24 : SF_FORMAT_PCM_32}));
            EXPECT_EQ(notifier.count, info.frames / 512 + 1);
            EXPECT_EQ(int64_t(readBytes(p).size()), 140 + info.frames * bits / 4);
        }
    }
}
#endif

// A load of jobs, every seventh of which cannot create its file: the others'
// bytes are held to the plain file in PlainFile.*.
TEST_F(Engine, ThousandJobsBackToBack)
{
    const std::string bad = dir.file("missing/x.wav"), out = dir.file("job.wav");
    for (int job = 0; job < 1000; ++job) {
        const int kind = job % 4, bits = 16 + 8 * ((job / 4) % 3);
        const bool failing = job % 7 == 3;
        const int reports = notifier.count;
        ASSERT_EQ(render(kind, failing ? bad : out, 0.1, bits), failing ? -100 : 0) << "job " << job;
        if (failing) {
            ASSERT_EQ(notifier.count, reports) << "job " << job;  // a failed open reports nothing
            continue;
        }
        ASSERT_TRUE(isConsistentWave(readBytes(out))) << "job " << job;
    }
}

TEST_F(Engine, RateChangesDuringJobsKeepHeaderAndSignalInStep)
{
    const std::string out = dir.file("rate.wav");
    std::atomic<bool> done{false};
    std::vector<std::vector<unsigned char>> files;
    std::thread worker([&] {
        for (int job = 0; job < 40; ++job) {
            EXPECT_EQ(renderWhiteNoise(out.c_str(), 0.2, 3, 16), 0);
            files.push_back(readBytes(out));
        }
        done = true;
    });
    for (uint32_t rate = 48000; !done; rate = rate == 48000 ? 44100 : 48000) {
        setEngineSampleRate(rate);
        EXPECT_TRUE(getEngineSampleRate() == 44100 || getEngineSampleRate() == 48000);
        std::this_thread::yield();
    }
    worker.join();
    for (const auto& b : files) {
        // 0.2 s is 18 blocks at 44100 and 19 at 48000: the data must match
        // the rate in the header.
        ASSERT_TRUE(isConsistentWave(b));
        EXPECT_EQ(le32(b, 136) / 2048 - 1, le32(b, 24) == 44100 ? 18u : 19u) << le32(b, 24);
    }
}

}  // namespace
