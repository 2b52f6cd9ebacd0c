#include "data_exchange.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Where a decimal's leading digit stands: 1 for 1 to 9.99, 0 for 0.1 to 0.999,
// 309 for 1e308; saturated far beyond what a double holds. Only its sign is
// used, for a number too large or too small for a double.
long long decimalExponent(std::string_view number)
{
    size_t i = 0;
    long long position = 0;
    bool seen = false;
    for (; i < number.size() && isDigit(number[i]); ++i) {
        seen = seen || number[i] != '0';
        position += seen ? 1 : 0;
    }
    if (i < number.size() && number[i] == '.')
        for (++i; i < number.size() && isDigit(number[i]); ++i) {
            if (seen)
                continue;
            if (number[i] != '0')
                seen = true;
            else
                --position;
        }
    long long exponent = 0;
    if (i < number.size() && (number[i] == 'e' || number[i] == 'E')) {
        const bool minus = ++i < number.size() && number[i] == '-';
        if (i < number.size() && (number[i] == '-' || number[i] == '+'))
            ++i;
        for (; i < number.size() && isDigit(number[i]); ++i)
            exponent = std::min(exponent * 10 + (number[i] - '0'), 1000000000LL);
        exponent = minus ? -exponent : exponent;
    }
    return position + exponent;
}

size_t skipSpace(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && isSpace(text[i]))
        ++i;
    return i;
}

// The decimal number that the scan found (no white space, an optional sign),
// correctly rounded as strtod does, with '.' as the decimal point whatever
// locale the toolkit set. A magnitude beyond the doubles reads as an
// infinity, one below the smallest denormal as zero.
double parseCDecimal(std::string_view number)
{
    const bool negative = !number.empty() && number[0] == '-';
    if (!number.empty() && (number[0] == '-' || number[0] == '+'))
        number.remove_prefix(1);
    double value = 0.0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error == std::errc::result_out_of_range)
        value = decimalExponent(number) > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -value : value;
}
} // namespace

std::optional<double> scanDecimal(std::string_view text)
{
    size_t i = skipSpace(text);
    const size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    size_t digits = 0;
    while (i < text.size() && isDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return std::nullopt;
    // An exponent counts only when at least one digit follows it.
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            ++j;
        if (j < text.size() && isDigit(text[j])) {
            while (j < text.size() && isDigit(text[j]))
                ++j;
            i = j;
        }
    }
    return parseCDecimal(text.substr(start, i - start));
}

std::optional<uint32_t> scanUnsigned(std::string_view text)
{
    size_t i = skipSpace(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i >= text.size() || !isDigit(text[i]))
        return std::nullopt;
    uint64_t magnitude = 0;
    bool overflow = false;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        magnitude = magnitude * 10 + uint64_t(text[i] - '0');
        if (magnitude > UINT32_MAX) {
            overflow = true;
            magnitude = UINT32_MAX;
        }
    }
    if (overflow)
        return UINT32_MAX;
    const uint32_t value = uint32_t(magnitude);
    return negative ? uint32_t(0u - value) : value;
}

std::string formatDouble(double value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    return std::string(buffer, result.ptr);
}
