#include "render_loop.h"
#include "wav_audio_driver.h"

#include <gtest/gtest.h>

#include <cstring>

#include "budgeted_writes.h"
#include "test_files.h"
#include "wave_file.h"

namespace {

// The callbacks carry no context, so the stub's state lives here: it yields
// blocksLeft blocks of the samples 0x9A123456 + i.
int32_t* stubBuffer = nullptr;
int blocksLeft = 0;
int switchCalls = 0;

bool stubSwitch(int index, bool)
{
    ++switchCalls;
    EXPECT_EQ(index, 0);
    if (blocksLeft <= 0)
        return false;
    --blocksLeft;
    for (uint32_t i = 0; i < 512; ++i)
        stubBuffer[i] = static_cast<int32_t>(0x9A123456u + i);
    return true;
}

class Device : public ::testing::Test {
protected:
    void SetUp() override
    {
        HostCallbacks callbacks{&stubSwitch, nullptr, nullptr, nullptr};
        ASSERT_EQ(device.createBuffers(infos, 2, 512, &callbacks), kDeviceOk);
        stubBuffer = static_cast<int32_t*>(infos[0].buffers[0]);
        blocksLeft = switchCalls = 0;
    }
    void TearDown() override { device.disposeBuffers(); }

    WavAudioDriver device{nullptr, 512, false};
    BufferInfo infos[2] = {{0, 0, {nullptr, nullptr}}, {0, 1, {nullptr, nullptr}}};
    ScratchDir dir;
};

TEST_F(Device, ConversionKeepsEachSamplesLowBytesTwice)
{
    unsigned char out[4096];
    // 56 34 12 9A gives 56 34 12 56 34 12 at 24 bits and 56 34 56 34 at 16.
    const unsigned char b24[6] = {0x56, 0x34, 0x12, 0x56, 0x34, 0x12}, b16[4] = {0x56, 0x34, 0x56, 0x34};
    blocksLeft = 2;
    ASSERT_TRUE(device.pullBlock(out, 24));
    EXPECT_EQ(std::memcmp(out, b24, 6), 0);
    ASSERT_TRUE(device.pullBlock(out, 16));
    EXPECT_EQ(std::memcmp(out, b16, 4), 0);

    // The last frame holds its sample too, and nothing lies past the block,
    // at every width.
    for (int bits : {16, 24, 32}) {
        blocksLeft = 1;
        std::memset(out, 0xEE, sizeof out);
        ASSERT_TRUE(device.pullBlock(out, bits));
        const int width = bits / 8;
        for (int k = 0; k < 2 * width; ++k)
            EXPECT_EQ(out[511 * 2 * width + k], static_cast<unsigned char>((0x9A123456u + 511) >> (8 * (k % width))));
        EXPECT_EQ(std::count(out + 1024 * width, out + 4096, 0xEE), 4096 - 1024 * width) << bits;
    }

    // A callback answering false leaves the block untouched.
    std::memset(out, 0xAB, sizeof out);
    EXPECT_FALSE(device.pullBlock(out, 32));
    EXPECT_EQ(std::count(out, out + 4096, 0xAB), 4096);
}

TEST_F(Device, RenderLoopStopsAtTheFirstFailedWrite)
{
    setWaveFileOps(&budgeted_writes::ops);
    budgeted_writes::budget = 140 + 4096 * 300 + 10;
    const std::string path = dir.file("cut.wav");
    blocksLeft = 1000;
    const bool ok = renderToFile(path.c_str(), 32, 44100, device, nullptr);
    setWaveFileOps(nullptr);
    EXPECT_FALSE(ok);
    EXPECT_LT(switchCalls, 1000);  // it stopped pulling instead of running on
    auto b = readBytes(path);
    EXPECT_TRUE(isConsistentWave(b));
    EXPECT_EQ(le32(b, 136), 4096u * 300);
}

}  // namespace
