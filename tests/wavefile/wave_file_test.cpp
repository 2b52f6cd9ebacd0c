#include "wave_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include "test_files.h"

namespace {

std::vector<unsigned char> block(int bytes, unsigned char fill)
{
    return std::vector<unsigned char>(static_cast<size_t>(bytes), fill);
}

TEST(WaveLayout, HeaderFieldsForEveryWidthAndRate)
{
    ScratchDir dir;
    const std::string path = dir.file("layout.wav");
    for (int bits : {16, 24, 32}) {
        for (int rate : {44100, 48000, 96000}) {
            ASSERT_TRUE(openWaveFile(path.c_str(), rate, bits));
            const int blockBytes = 512 * 2 * (bits / 8);
            auto data = block(blockBytes, 0x5A);
            ASSERT_TRUE(writeWaveBlock(data.data(), blockBytes));
            bool complete = false;
            EXPECT_EQ(closeWaveFile(&complete), uint32_t(blockBytes));
            EXPECT_TRUE(complete);

            auto b = readBytes(path);
            ASSERT_EQ(b.size(), 140u + blockBytes);
            EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
            EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 16), "WAVEfmt ");
            EXPECT_EQ(le32(b, 16), 100u);
            EXPECT_EQ(le16(b, 20), 1);  // integer PCM
            EXPECT_EQ(le16(b, 22), 2);  // channels
            EXPECT_EQ(le32(b, 24), uint32_t(rate));
            EXPECT_EQ(le16(b, 32), 2 * (bits / 8));
            EXPECT_EQ(le32(b, 28), uint32_t(rate * 2 * (bits / 8)));
            EXPECT_EQ(le16(b, 34), bits);
            EXPECT_EQ(le16(b, 36), 82);  // extra size
            // The notice: ASCII, NUL-terminated, zeros up to the fact chunk.
            const char* notice = reinterpret_cast<const char*>(&b[38]);
            const size_t noticeLength = strnlen(notice, 64);
            EXPECT_LT(noticeLength, 64u);
            EXPECT_STREQ(notice, kWaveNotice);
            for (size_t i = 38 + noticeLength; i < 120; ++i)
                ASSERT_EQ(b[i], 0) << "byte " << i;
            EXPECT_EQ(std::string(b.begin() + 120, b.begin() + 124), "fact");
            EXPECT_EQ(le32(b, 124), 4u);
            EXPECT_EQ(std::string(b.begin() + 132, b.begin() + 136), "data");
            EXPECT_TRUE(isConsistentWave(b));
            EXPECT_EQ(b[140], 0x5A);
        }
    }
}

TEST(WaveLayout, SizesOfKnownFiles)
{
    ScratchDir dir;
    const std::string path = dir.file("sizes.wav");
    // One silent 16-bit block.
    ASSERT_TRUE(openWaveFile(path.c_str(), 44100, 16));
    auto silent = block(2048, 0);
    ASSERT_TRUE(writeWaveBlock(silent.data(), 2048));
    EXPECT_EQ(closeWaveFile(), 2048u);
    auto b = readBytes(path);
    EXPECT_EQ(b.size(), 2188u);
    EXPECT_EQ(le32(b, 4), 2180u);
    EXPECT_EQ(le32(b, 128), 1024u);
    EXPECT_EQ(le32(b, 136), 2048u);

    // Ten 16-bit blocks, the size of a 0.1 s white-noise job.
    ASSERT_TRUE(openWaveFile(path.c_str(), 44100, 16));
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(writeWaveBlock(silent.data(), 2048));
    EXPECT_EQ(closeWaveFile(), 20480u);
    b = readBytes(path);
    EXPECT_EQ(b.size(), 20620u);
    EXPECT_EQ(le32(b, 4), 20612u);
    EXPECT_EQ(le32(b, 128), 10240u);
}

TEST(WaveLayout, PlaceholdersUntilCloseAndExistingFileTruncated)
{
    ScratchDir dir;
    const std::string path = dir.file("open.wav");
    {
        std::ofstream old(path, std::ios::binary);
        old << std::string(100000, 'x');
    }
    ASSERT_TRUE(openWaveFile(path.c_str(), 48000, 24));
    auto data = block(3072, 1);
    ASSERT_TRUE(writeWaveBlock(data.data(), 3072));
    // Before the close the header on disk carries its placeholders.
    auto b = readBytes(path);
    ASSERT_GE(b.size(), 140u);
    EXPECT_EQ(le32(b, 4), 0u);
    EXPECT_EQ(le32(b, 136), 0u);
    EXPECT_EQ(le32(b, 128), 0xFFFFFFFFu);
    EXPECT_EQ(le32(b, 16), 100u);
    EXPECT_EQ(le32(b, 124), 4u);
    EXPECT_EQ(closeWaveFile(), 3072u);
    b = readBytes(path);
    EXPECT_EQ(b.size(), 140u + 3072u);
    EXPECT_TRUE(isConsistentWave(b));
}

// An existing file is overwritten in place: whatever it held before, longer
// or shorter, the finished file is exactly header and data.
TEST(WaveLayout, OverwritingLongerAndShorterFilesLeavesExactlyTheNewFile)
{
    ScratchDir dir;
    const std::string path = dir.file("again.wav");
    for (int blocks : {40, 3, 3, 700, 1}) {
        ASSERT_TRUE(openWaveFile(path.c_str(), 44100, 16));
        auto data = block(2048, static_cast<unsigned char>(blocks));
        for (int i = 0; i < blocks; ++i)
            ASSERT_TRUE(writeWaveBlock(data.data(), 2048));
        bool complete = false;
        EXPECT_EQ(closeWaveFile(&complete), 2048u * blocks);
        EXPECT_TRUE(complete);
        auto b = readBytes(path);
        ASSERT_EQ(b.size(), 140u + 2048u * blocks) << blocks;
        EXPECT_TRUE(isConsistentWave(b));
        EXPECT_EQ(std::count(b.begin() + 140, b.end(), static_cast<unsigned char>(blocks)),
                  2048 * blocks);
    }
}

TEST(WaveLayout, NonRegularFileIsWrittenWithoutCutting)
{
    ASSERT_TRUE(openWaveFile("/dev/null", 44100, 16));
    auto data = block(2048, 1);
    EXPECT_TRUE(writeWaveBlock(data.data(), 2048));
    bool complete = false;
    EXPECT_EQ(closeWaveFile(&complete), 2048u);
    EXPECT_TRUE(complete);
}

TEST(WaveFailures, CreateFailureLeavesNothingAndClosedWriterRefuses)
{
    ScratchDir dir;
    const std::string path = dir.file("missing/dir/x.wav");
    EXPECT_FALSE(openWaveFile(path.c_str(), 44100, 16));
    EXPECT_EQ(waveFileError(), ENOENT);
    EXPECT_FALSE(std::filesystem::exists(path));
    auto data = block(2048, 0);
    EXPECT_FALSE(writeWaveBlock(data.data(), 2048));
    EXPECT_EQ(closeWaveFile(), 0u);

    // Empty arguments are refused without touching an open file.
    const std::string good = dir.file("good.wav");
    ASSERT_TRUE(openWaveFile(good.c_str(), 44100, 16));
    EXPECT_FALSE(writeWaveBlock(nullptr, 2048));
    EXPECT_FALSE(writeWaveBlock(data.data(), 0));
    EXPECT_EQ(closeWaveFile(), 0u);
    EXPECT_EQ(closeWaveFile(), 0u);  // a second close changes nothing
    EXPECT_EQ(readBytes(good).size(), 140u);
}

// A file layer whose writes stop after a byte budget, to fail at any point.
struct FaultyFile {
    static inline long budget = 0;
    static inline bool failClose = false;
    static ssize_t write(int fd, const void* data, size_t count)
    {
        if (budget <= 0) {
            errno = ENOSPC;
            return -1;
        }
        size_t n = std::min<size_t>(count, static_cast<size_t>(budget));
        budget -= static_cast<long>(n);
        return ::write(fd, data, n);
    }
    static int close(int fd)
    {
        ::close(fd);
        if (failClose) {
            errno = EIO;
            return -1;
        }
        return 0;
    }
};

class WaveFaults : public ::testing::Test {
protected:
    void install(long budget, bool failClose = false)
    {
        FaultyFile::budget = budget;
        FaultyFile::failClose = failClose;
        static const WaveFileOps faulty = {
            [](const char* p, int f, mode_t m) { return ::open(p, f, m); },
            &FaultyFile::write,
            [](int fd, const void* d, size_t c, off_t o) { return ::pwrite(fd, d, c, o); },
            [](int fd, off_t l) { return ::ftruncate(fd, l); },
            &FaultyFile::close,
        };
        setWaveFileOps(&faulty);
    }
    void TearDown() override { setWaveFileOps(nullptr); }
    ScratchDir dir;
};

TEST_F(WaveFaults, HeaderWriteFailureLeavesPartialFile)
{
    const std::string path = dir.file("header.wav");
    // Over a new file and over a longer existing one alike.
    for (bool existed : {false, true}) {
        if (existed) {
            std::ofstream old(path, std::ios::binary);
            old << std::string(300000, 'x');
        }
        install(60);
        EXPECT_FALSE(openWaveFile(path.c_str(), 44100, 16));
        EXPECT_EQ(readBytes(path).size(), 60u) << existed;
    }
}

TEST_F(WaveFaults, FailedWriteAtAnyPointLeavesAValidFileAndReportsIt)
{
    // Budgets that cut inside the data at frame and non-frame boundaries and
    // far beyond the writer's buffer.
    for (long budget : {140L + 2048 * 3, 140L + 3000, 140L + 1500000, 140L + 2100000}) {
        for (int bits : {16, 24}) {
            install(budget);
            const std::string path = dir.file("cut.wav");
            {
                // A longer file was there before: none of it may survive.
                std::ofstream old(path, std::ios::binary);
                old << std::string(3500000, 'x');
            }
            ASSERT_TRUE(openWaveFile(path.c_str(), 44100, bits));
            const int bytes = 512 * 2 * (bits / 8);
            auto data = block(bytes, 7);
            bool allOk = true;
            int accepted = 0;
            for (int i = 0; i < 1500 && allOk; ++i) {
                allOk = writeWaveBlock(data.data(), bytes);
                accepted += allOk;
            }
            bool complete = true;
            closeWaveFile(&complete);
            // Either a write or the close reported the failure.
            EXPECT_FALSE(allOk && complete) << budget;
            auto b = readBytes(path);
            EXPECT_TRUE(isConsistentWave(b)) << "budget " << budget << " bits " << bits;
            // Only whole blocks are kept.
            EXPECT_EQ(le32(b, 136) % bytes, 0u);
            EXPECT_LE(le32(b, 136), uint32_t(accepted) * bytes);
            EXPECT_LE(b.size(), static_cast<size_t>(budget));
            EXPECT_EQ(std::count(b.begin(), b.end(), 'x'), 0);
            EXPECT_FALSE(writeWaveBlock(data.data(), bytes));
        }
    }
}

TEST_F(WaveFaults, CloseFailureIsReported)
{
    install(1L << 30, true);
    const std::string path = dir.file("close.wav");
    ASSERT_TRUE(openWaveFile(path.c_str(), 44100, 16));
    auto data = block(2048, 3);
    ASSERT_TRUE(writeWaveBlock(data.data(), 2048));
    bool complete = true;
    closeWaveFile(&complete);
    EXPECT_FALSE(complete);
}

TEST(WaveFileSizeLimit, FileSizeLimitMidFile)
{
    ScratchDir dir;
    const std::string path = dir.file("limit.wav");
    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = old;
    limited.rlim_cur = 140 + 2048 * 700 + 100;  // beyond the first buffer flush
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);

    ASSERT_TRUE(openWaveFile(path.c_str(), 44100, 16));
    auto data = block(2048, 9);
    bool ok = true;
    for (int i = 0; i < 2000 && ok; ++i)
        ok = writeWaveBlock(data.data(), 2048);
    bool complete = true;
    closeWaveFile(&complete);

    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(ok && complete);
    auto b = readBytes(path);
    EXPECT_TRUE(isConsistentWave(b));
    EXPECT_EQ(le32(b, 136), 2048u * 700);
}

}  // namespace
