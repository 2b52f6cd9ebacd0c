#include "render_loop.h"
#include "wav_audio_driver.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "test_files.h"
#include "wave_file.h"

namespace {

// The callbacks carry no context, so the stub's answers live here.
int32_t* stubBuffer = nullptr;
int stubBlocksLeft = 0;
int stubCalls = 0;
int32_t stubSample = 0;
bool stubScrambled = false;  // samples with unrelated bytes instead of a ramp

bool stubSwitch(int index, bool)
{
    ++stubCalls;
    EXPECT_EQ(index, 0);
    if (stubBlocksLeft <= 0)
        return false;
    --stubBlocksLeft;
    for (int i = 0; i < 512; ++i)
        stubBuffer[i] = stubScrambled ? static_cast<int32_t>((static_cast<uint32_t>(stubSample) + i) * 2654435761u)
                                      : stubSample + i;
    return true;
}

class Device : public ::testing::Test {
protected:
    void SetUp() override
    {
        infos[0] = BufferInfo{0, 0, {nullptr, nullptr}};
        infos[1] = BufferInfo{0, 1, {nullptr, nullptr}};
        HostCallbacks callbacks{&stubSwitch, nullptr, nullptr, nullptr};
        ASSERT_EQ(device.createBuffers(infos, 2, 512, &callbacks), kDeviceOk);
        stubBuffer = static_cast<int32_t*>(infos[0].buffers[0]);
        stubBlocksLeft = 0;
        stubCalls = 0;
        stubSample = 0;
        stubScrambled = false;
    }
    void TearDown() override { device.disposeBuffers(); }

    void setAll(int32_t sample)
    {
        for (int i = 0; i < 512; ++i)
            stubBuffer[i] = sample;
    }

    WavAudioDriver device{nullptr, 512, false};
    BufferInfo infos[2];
};

TEST_F(Device, IdentityAndChannelRecords)
{
    int32_t in = -1, out = -1, mn = 0, mx = 0, pref = 0, gran = -1;
    EXPECT_EQ(device.getChannels(&in, &out), 0);
    EXPECT_EQ(in, 0);
    EXPECT_EQ(out, 2);
    EXPECT_EQ(device.getBufferSize(&mn, &mx, &pref, &gran), 0);
    EXPECT_EQ(mn, 512);
    EXPECT_EQ(mx, 512);
    EXPECT_EQ(pref, 512);
    EXPECT_EQ(gran, 0);
    EXPECT_TRUE(device.init(nullptr));
    char text[124] = "junk";
    device.getErrorText(text);
    EXPECT_STREQ(text, "");
    device.getErrorText(nullptr);

    ChannelInfo info{};
    info.channelIndex = 1;
    info.isInput = 1;  // every field comes from the device
    EXPECT_EQ(device.getChannelInfo(&info), 0);
    EXPECT_STREQ(info.name, "WavChn1");
    EXPECT_EQ(info.group, 0);
    EXPECT_EQ(info.isActive, 1);
    EXPECT_EQ(info.isInput, 0);
    EXPECT_EQ(info.sampleType, kSampleInt32LSB);

    WavAudioDriver sixteen(nullptr, 512, true);
    info.channelIndex = 0;
    sixteen.getChannelInfo(&info);
    EXPECT_EQ(info.sampleType, kSampleInt16LSB);
    EXPECT_STREQ(info.name, "WavChn0");

    double rate = 0;
    EXPECT_EQ(device.canSampleRate(12345.5), 0);
    EXPECT_EQ(device.setSampleRate(22050.25), 0);
    device.getSampleRate(&rate);
    EXPECT_EQ(rate, 22050.25);
}

TEST_F(Device, BufferCreationNeedsTheSwitchCallback)
{
    BufferInfo other[2] = {{0, 0, {nullptr, nullptr}}, {0, 1, {nullptr, nullptr}}};
    HostCallbacks none{};
    WavAudioDriver fresh(nullptr, 512, false);
    EXPECT_EQ(fresh.createBuffers(other, 2, 512, &none), kDeviceNoMemory);
    EXPECT_NE(infos[0].buffers[0], nullptr);
    EXPECT_NE(infos[1].buffers[0], nullptr);
    EXPECT_EQ(infos[0].buffers[1], nullptr);
}

TEST_F(Device, ConversionKeepsTheLowBytesOfChannelZeroTwice)
{
    unsigned char out[4096];
    stubBlocksLeft = 3;

    // 24 bits: 56 34 12 9A gives 56 34 12 56 34 12, the top byte dropped.
    stubSample = static_cast<int32_t>(0x9A123456u);
    ASSERT_TRUE(device.pullBlock(out, 24));
    const unsigned char b24[6] = {0x56, 0x34, 0x12, 0x56, 0x34, 0x12};
    EXPECT_EQ(std::memcmp(out, b24, 6), 0);
    EXPECT_EQ(out[6], 0x57);  // the next frame is the next sample

    // 16 bits: 34 12 FF 7F gives 34 12 34 12.
    stubSample = 0x7FFF1234;
    ASSERT_TRUE(device.pullBlock(out, 16));
    const unsigned char b16[4] = {0x34, 0x12, 0x34, 0x12};
    EXPECT_EQ(std::memcmp(out, b16, 4), 0);

    // 32 bits: -1 gives eight bytes FF.
    stubSample = -1;
    ASSERT_TRUE(device.pullBlock(out, 32));
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(out[i], 0xFF);
    EXPECT_EQ(out[8], 0);  // -1 + 1

    // A callback answering false leaves the block untouched.
    std::memset(out, 0xAB, sizeof out);
    EXPECT_FALSE(device.pullBlock(out, 32));
    for (unsigned char c : out)
        ASSERT_EQ(c, 0xAB);
}

// Every frame of the block, whatever its position, carries its own sample's
// low bytes twice.
TEST_F(Device, ConversionOfEveryFrameMatchesItsSample)
{
    stubScrambled = true;
    for (int32_t start : {0, 12345, -7}) {
        for (int bits : {16, 24, 32}) {
            stubSample = start;
            stubBlocksLeft = 1;
            unsigned char out[4096];
            std::memset(out, 0xEE, sizeof out);
            ASSERT_TRUE(device.pullBlock(out, bits));
            const int width = bits / 8;
            for (int i = 0; i < 512; ++i) {
                const auto v = static_cast<uint32_t>(stubBuffer[i]);
                for (int k = 0; k < 2 * width; ++k)
                    ASSERT_EQ(out[i * 2 * width + k], static_cast<unsigned char>(v >> (8 * (k % width))))
                        << "bits " << bits << " frame " << i << " byte " << k;
            }
            for (int k = 512 * 2 * width; k < 4096; ++k)
                ASSERT_EQ(out[k], 0xEE) << "bits " << bits << ": written past the block";
        }
    }
}

class CountingNotifier : public ProgressNotifier {
public:
    void blockRendered() override { ++count; }
    int count = 0;
};

TEST_F(Device, RenderLoopWritesSilenceThenWholeBlocks)
{
    ScratchDir dir;
    for (int bits : {16, 24, 32}) {
        const std::string path = dir.file("loop.wav");
        CountingNotifier notifier;
        stubBlocksLeft = 5;
        stubSample = 1000;
        ASSERT_TRUE(renderToFile(path.c_str(), bits, 48000, device, &notifier));
        EXPECT_EQ(notifier.count, 5 + 2);
        auto b = readBytes(path);
        const size_t blockBytes = static_cast<size_t>(blockBytesForBits(bits));
        ASSERT_EQ(b.size(), 140 + 6 * blockBytes);
        EXPECT_TRUE(isConsistentWave(b));
        EXPECT_EQ(le32(b, 24), 48000u);
        for (size_t i = 140; i < 140 + blockBytes; ++i)
            ASSERT_EQ(b[i], 0) << "leading block must be silent";
        EXPECT_EQ(b[140 + blockBytes], 1000 & 0xFF);
    }

    // No generator armed: a file holding only the silent block, two reports.
    CountingNotifier notifier;
    stubBlocksLeft = 0;
    const std::string empty = dir.file("empty.wav");
    ASSERT_TRUE(renderToFile(empty.c_str(), 16, 44100, device, &notifier));
    EXPECT_EQ(notifier.count, 2);
    EXPECT_EQ(readBytes(empty).size(), 2188u);
}

TEST_F(Device, RenderLoopMissingDirectorySendsNothing)
{
    ScratchDir dir;
    CountingNotifier notifier;
    stubBlocksLeft = 5;
    const std::string path = dir.file("no/such/dir.wav");
    EXPECT_FALSE(renderToFile(path.c_str(), 16, 44100, device, &notifier));
    EXPECT_EQ(notifier.count, 0);
    EXPECT_EQ(stubCalls, 0);
    EXPECT_FALSE(std::filesystem::exists(path));
}

// The writer's writes stop after a byte budget.
long writeBudget = 0;

TEST_F(Device, RenderLoopStopsAtTheFirstFailedWrite)
{
    static const WaveFileOps faulty = {
        [](const char* p, int f, mode_t m) { return ::open(p, f, m); },
        [](int fd, const void* d, size_t c) -> ssize_t {
            if (writeBudget <= 0) {
                errno = ENOSPC;
                return -1;
            }
            size_t n = std::min<size_t>(c, static_cast<size_t>(writeBudget));
            writeBudget -= static_cast<long>(n);
            return ::write(fd, d, n);
        },
        [](int fd, const void* d, size_t c, off_t o) { return ::pwrite(fd, d, c, o); },
        [](int fd, off_t l) { return ::ftruncate(fd, l); },
        [](int fd) { return ::close(fd); },
    };
    setWaveFileOps(&faulty);
    writeBudget = 140 + 4096 * 300 + 10;
    ScratchDir dir;
    const std::string path = dir.file("cut.wav");
    CountingNotifier notifier;
    stubBlocksLeft = 1000;
    const bool ok = renderToFile(path.c_str(), 32, 44100, device, &notifier);
    setWaveFileOps(nullptr);
    EXPECT_FALSE(ok);
    // The loop stopped pulling soon after the failure instead of running on.
    EXPECT_LT(stubCalls, 1000);
    auto b = readBytes(path);
    EXPECT_TRUE(isConsistentWave(b));
    EXPECT_EQ(le32(b, 136), 4096u * 300);
}

}  // namespace
