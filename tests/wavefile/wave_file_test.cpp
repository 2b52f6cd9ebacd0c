#include "wave_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "test_files.h"

namespace {

// Writes blocks of fill bytes until one is refused; answers the blocks taken
// and whether the writer reported every byte as written.
std::pair<int, bool> writeFile(const std::string& path, int bits, int blocks, unsigned char fill)
{
    const int bytes = 512 * 2 * (bits / 8);
    std::vector<unsigned char> data(size_t(bytes), fill);
    if (!openWaveFile(path.c_str(), 44100, bits))
        return {0, false};
    int taken = 0;
    while (taken < blocks && writeWaveBlock(data.data(), bytes))
        ++taken;
    bool complete = false;
    closeWaveFile(&complete);
    return {taken, taken == blocks && complete};
}

// Every field of a finished header, at every width and rate, is held to the
// plain file in the engine's tests; here, what the writer shows before it
// finishes and how it sizes what it took.
TEST(WaveLayout, SizesPlaceholdersAndOverwrites)
{
    ScratchDir dir;
    const std::string path = dir.file("sizes.wav");
    std::ofstream(path, std::ios::binary) << std::string(3000000, 'x');
    // Over a larger file, a job stopped before its close (what is on disk
    // while it runs) shows the placeholders, then whole blocks of its own,
    // and nothing of the old file.
    ASSERT_TRUE(openWaveFile(path.c_str(), 48000, 24));
    std::vector<unsigned char> block(3072, 0x5A);
    for (int i = 0; i < 1000; ++i) {
        if (i % 250 == 0) {
            const auto now = readBytes(path);
            ASSERT_GE(now.size(), 140u);
            // A write the writer's thread has under way may show up to a
            // page boundary (the system extends the file page by page).
            EXPECT_TRUE((now.size() - 140) % 3072 == 0 || now.size() % 4096 == 0) << now.size() << " at " << i;
            EXPECT_EQ(std::count(now.begin() + 140, now.end(), 0x5A), long(now.size() - 140)) << i;
            EXPECT_EQ(le32(now, 4) | le32(now, 136), 0u);
            EXPECT_EQ(le32(now, 128), 0xFFFFFFFFu);
        }
        ASSERT_TRUE(writeWaveBlock(block.data(), 3072));
    }
    EXPECT_GT(readBytes(path).size(), 140u + 3072 * 250);  // the stops above did see blocks
    closeWaveFile();
    auto b = readBytes(path);

    // One and ten 16-bit blocks, each file exactly header and data.
    const uint32_t expected[][4] = {{1, 2188, 2180, 1024}, {10, 20620, 20612, 10240}};
    for (const auto& e : expected) {
        EXPECT_TRUE(writeFile(path, 16, int(e[0]), 1).second);
        b = readBytes(path);
        EXPECT_EQ(b.size(), e[1]);
        EXPECT_EQ(le32(b, 4), e[2]);
        EXPECT_EQ(le32(b, 128), e[3]);
    }
    EXPECT_TRUE(writeFile("/dev/null", 16, 2, 0).second);  // nothing to cut there
}

TEST(WaveFailures, ClosedOrEmptyWritesAreRefused)
{
    ScratchDir dir;
    unsigned char data[2048] = {};
    EXPECT_FALSE(writeWaveBlock(data, 2048));  // nothing open
    EXPECT_EQ(closeWaveFile(), 0u);
    const std::string good = dir.file("good.wav");
    ASSERT_TRUE(openWaveFile(good.c_str(), 44100, 16));
    EXPECT_FALSE(writeWaveBlock(nullptr, 2048));
    EXPECT_FALSE(writeWaveBlock(data, 0));
    EXPECT_EQ(closeWaveFile(), 0u);
    EXPECT_EQ(closeWaveFile(), 0u);  // a second close changes nothing
    EXPECT_EQ(readBytes(good).size(), 140u);
}

}  // namespace
