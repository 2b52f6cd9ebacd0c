#include <gtest/gtest.h>

#include <cmath>

#include "data_exchange.h"
#include "generate_request.h"

TEST(ScanDecimal, TakesTheLongestDecimalPrefix)
{
    EXPECT_EQ(scanDecimal("0.5"), 0.5);
    EXPECT_EQ(scanDecimal("  \t12"), 12.0);
    EXPECT_EQ(scanDecimal("10abc"), 10.0);
    EXPECT_EQ(scanDecimal("+.5"), 0.5);
    EXPECT_EQ(scanDecimal("-7."), -7.0);
    EXPECT_EQ(scanDecimal("1e3x"), 1000.0);
    EXPECT_EQ(scanDecimal("2.5E-1"), 0.25);
    EXPECT_EQ(scanDecimal("1e"), 1.0);   // an exponent without digits is not part of the number
    EXPECT_EQ(scanDecimal("1e+"), 1.0);
    EXPECT_EQ(scanDecimal("3,5"), 3.0);  // the decimal point is always '.'
    EXPECT_EQ(scanDecimal("0x1A"), 0.0); // hexadecimal: the "0" is read, the rest ignored
    EXPECT_TRUE(std::isinf(*scanDecimal("1e999")));
}

TEST(ScanDecimal, FindsNoNumberWithoutDigits)
{
    for (const char* text : {"", "   ", "abc", ".", "-", "+.", "e5", "nan", "inf", "-infinity"})
        EXPECT_FALSE(scanDecimal(text).has_value()) << text;
}

TEST(ScanUnsigned, ReadsLikeUnsignedLongOf32Bits)
{
    EXPECT_EQ(scanUnsigned("3"), 3u);
    EXPECT_EQ(scanUnsigned(" +90dB"), 90u);
    EXPECT_EQ(scanUnsigned("-3"), 4294967293u);
    EXPECT_EQ(scanUnsigned("-0"), 0u);
    EXPECT_EQ(scanUnsigned("4294967295"), 4294967295u);
    EXPECT_EQ(scanUnsigned("99999999999999999999"), 4294967295u);
    EXPECT_EQ(scanUnsigned("-99999999999"), 4294967295u);
    EXPECT_EQ(scanUnsigned("1.9"), 1u);
    for (const char* text : {"", "x", "-", "+ 3", ".5"})
        EXPECT_FALSE(scanUnsigned(text).has_value()) << text;
}

TEST(FormatDouble, WritesFifteenSignificantDigits)
{
    EXPECT_EQ(formatDouble(65.406391), "65.406391");
    EXPECT_EQ(formatDouble(4186.009045), "4186.009045");
    EXPECT_EQ(formatDouble(440.0), "440");
    EXPECT_EQ(formatDouble(0.01), "0.01");
    EXPECT_EQ(formatDouble(22050.0), "22050");
    EXPECT_EQ(formatDouble(65.40639132514966), "65.4063913251497");
}

TEST(ProgressBlockCount, CountsWholeBlocksAndStaysInRange)
{
    EXPECT_EQ(progressBlockCount(44100, 0.5), 43);
    EXPECT_EQ(progressBlockCount(44100, 0.01), 0);
    EXPECT_EQ(progressBlockCount(96000, 120.0), 22500);
    // Durations the engine refuses still give a bar with a sane range.
    EXPECT_EQ(progressBlockCount(96000, 1e300), 65534);
    EXPECT_EQ(progressBlockCount(96000, INFINITY), 65534);
    EXPECT_EQ(progressBlockCount(44100, -2.0), 0);
    EXPECT_EQ(progressBlockCount(44100, NAN), 0);
}
