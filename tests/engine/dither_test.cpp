#include "audio_host.h"
#include "dither.h"
#include "plain_file.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(Dither, FollowsTheCRecurrenceFourDrawsPerIndex)
{
    AudioHost::seedDither(1);
    // state = state * 214013 + 2531011, yielding bits 16..30.
    EXPECT_EQ(AudioHost::nextDitherValue(), 41);
    EXPECT_EQ(AudioHost::nextDitherValue(), 18467);
    EXPECT_EQ(AudioHost::nextDitherValue(), 6334);

    // Blocks of every length against the plain rule: two draws for the
    // first buffer's sample, then two for the second's. Zero stays zero,
    // 65536 always gives 1, 32768 gives 0 or 1.
    std::vector<int32_t> first(512), second(512);
    for (size_t i = 0; i < 512; ++i) {
        const int32_t values[] = {0, 65536, 32768, -32768, 2147352574, -2147352574, int32_t(i * 7919 * 131)};
        first[i] = values[i % 7];
        second[i] = -values[(i + 3) % 7];
    }
    uint32_t state = 77;
    AudioHost::seedDither(state);
    for (int count : {512, 0, 1, 7, 8, 9, 100}) {
        std::vector<int32_t> a = first, b = second, x = first, y = second;
        AudioHost::ditherTo16Bits(a.data(), b.data(), count);
        plainDitherFrames(x.data(), y.data(), size_t(count), state);
        ASSERT_EQ(a, x) << count;
        ASSERT_EQ(b, y) << count;
    }
    EXPECT_EQ(AudioHost::nextDitherValue(), nextDitherDraw(state));
    std::vector<int32_t> a = first, b = second;
    AudioHost::ditherTo16Bits(a.data(), b.data(), 512);
    for (size_t i = 0; i < 512; ++i) {
        if (first[i] == 0 || first[i] == 65536) {
            EXPECT_EQ(a[i], first[i] / 65536);
        } else if (first[i] == 32768) {
            EXPECT_TRUE(a[i] == 0 || a[i] == 1);
        }
    }
}

}  // namespace
