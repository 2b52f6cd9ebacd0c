#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include "data_exchange.h"
#include "generate_request.h"

TEST(DataExchange, ScansTheLongestNumericPrefixLikeTheCLibrary)
{
    // A few of each kind; the fuzz target holds both readings to a plain
    // reference on any text.
    const std::pair<const char*, std::optional<double>> decimals[] = {
        {"  \t12", 12.0}, {"+.5", 0.5}, {"1e3x", 1000.0}, {"1e+", 1.0}, {"3,5", 3.0}, {"0x1A", 0.0},
        {"1e999", INFINITY}, {"", {}}, {"+.", {}}, {"nan", {}}};
    for (const auto& [text, value] : decimals)
        EXPECT_EQ(scanDecimal(text), value) << text;
    const std::pair<const char*, std::optional<uint32_t>> unsigneds[] = {
        {" +90dB", 90u}, {"-3", 4294967293u}, {"1.9", 1u}, {"99999999999999999999", 4294967295u},
        {"-99999999999", 4294967295u}, {"+ 3", {}}, {".5", {}}};
    for (const auto& [text, value] : unsigneds)
        EXPECT_EQ(scanUnsigned(text), value) << text;
    EXPECT_EQ(formatDouble(65.40639132514966), "65.4063913251497");
}

TEST(DataExchange, BarRangeStaysSaneForDurationsTheEngineRefuses)
{
    for (double duration : {1e300, double(INFINITY)})
        EXPECT_EQ(progressBlockCount(96000, duration), 65534);
    for (double duration : {-2.0, double(NAN)})
        EXPECT_EQ(progressBlockCount(44100, duration), 0);
}
