#include "engine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <thread>

#include "seed_clock.h"
#include "test_files.h"

namespace {

class EngineLoad : public ::testing::Test {
protected:
    void SetUp() override
    {
        setSeedTime(1700000000);
        ASSERT_TRUE(createEngine(nullptr, false));
    }
    void TearDown() override
    {
        shutdownEngine();
        setSeedTime(std::nullopt);
    }
    ScratchDir dir;
};

TEST_F(EngineLoad, ThousandJobsBackToBackStayExactAndValid)
{
    const std::string bad = dir.file("missing/x.wav");
    const std::string out = dir.file("job.wav");
    const int widths[] = {16, 24, 32};
    std::map<std::pair<int, int>, std::vector<unsigned char>> firstRender;
    int failures = 0;
    for (int job = 0; job < 1000; ++job) {
        const int kind = job % 4;
        const int bits = widths[(job / 4) % 3];
        const bool failing = job % 7 == 3;
        const std::string& path = failing ? bad : out;
        int result = kind == 0   ? renderSine(path.c_str(), 1000.0, 0.1, 3, bits)
                     : kind == 1 ? renderSweep(path.c_str(), 200.0, 2000.0, 0.1, 3, bits)
                     : kind == 2 ? renderWhiteNoise(path.c_str(), 0.1, 3, bits)
                                 : renderPinkNoise(path.c_str(), 0.1, 3, bits);
        if (failing) {
            ASSERT_EQ(result, -100) << "job " << job;
            ++failures;
            continue;
        }
        ASSERT_EQ(result, 0) << "job " << job;
        auto bytes = readBytes(out);
        ASSERT_TRUE(isConsistentWave(bytes)) << "job " << job;
        if (kind == 3)
            continue;  // pink noise carries its rows over from job to job
        auto [it, fresh] = firstRender.emplace(std::make_pair(kind, bits), bytes);
        if (!fresh) {
            ASSERT_EQ(bytes, it->second) << "job " << job << " differs from the same request before";
        }
    }
    EXPECT_EQ(failures, 143);
}

TEST_F(EngineLoad, RateChangesDuringJobsKeepHeaderAndSignalInStep)
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
    uint32_t rate = 48000;
    while (!done) {
        setEngineSampleRate(rate);
        EXPECT_TRUE(getEngineSampleRate() == 44100 || getEngineSampleRate() == 48000);
        rate = rate == 48000 ? 44100 : 48000;
        std::this_thread::yield();
    }
    worker.join();
    for (const auto& b : files) {
        ASSERT_TRUE(isConsistentWave(b));
        // 0.2 s is 8820 samples (18 blocks) at 44100 and 9600 (19) at 48000;
        // the data must match the rate in the header.
        const uint32_t headerRate = le32(b, 24);
        const uint32_t blocks = le32(b, 136) / 2048 - 1;
        EXPECT_EQ(blocks, headerRate == 44100 ? 18u : 19u) << headerRate;
    }
}

}  // namespace
