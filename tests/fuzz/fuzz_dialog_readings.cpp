// The dialog's number readings against a plain reference: the decimal
// reading must equal strtod of the longest decimal prefix (found by a regular
// expression), and the unsigned reading must follow sign, digits and the
// wrap-around of a minus sign.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <regex>
#include <string>

#include "data_exchange.h"
#include "fuzz_invariant.h"

namespace {

std::optional<double> referenceDecimal(const std::string& text)
{
    static const std::regex decimal(
        "^[ \\t\\n\\v\\f\\r]*([+-]?(?:[0-9]+(?:\\.[0-9]*)?|\\.[0-9]+)(?:[eE][+-]?[0-9]+)?)");
    std::smatch match;
    if (!std::regex_search(text, match, decimal))
        return std::nullopt;
    return std::strtod(match[1].str().c_str(), nullptr);
}

std::optional<uint32_t> referenceUnsigned(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && std::strchr(" \t\n\v\f\r", text[i]) && text[i] != '\0')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    if (i >= text.size() || text[i] < '0' || text[i] > '9')
        return std::nullopt;
    uint64_t value = 0;
    bool saturated = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + uint64_t(text[i] - '0');
        if (value > 0xFFFFFFFFull) {
            saturated = true;
            value = 0xFFFFFFFFull;
        }
    }
    if (saturated)
        return 0xFFFFFFFFu;
    const uint32_t v = static_cast<uint32_t>(value);
    return negative ? static_cast<uint32_t>(0u - v) : v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The dialog reads at most 399 characters of a field.
    const std::string text(reinterpret_cast<const char*>(data), std::min<size_t>(size, 399));
    if (text.find('\0') != std::string::npos)
        return 0;  // an edit field holds no NUL

    const auto got = scanDecimal(text);
    const auto want = referenceDecimal(text);
    if (got.has_value() != want.has_value())
        fail("decimal: number found by one reading only", text);
    if (got && !(*got == *want || (std::isnan(*got) && std::isnan(*want))))
        fail("decimal: values differ", text);
    if (got && std::isnan(*got))
        fail("decimal: NaN read", text);

    const std::string shortText = text.substr(0, 63);
    const auto gotU = scanUnsigned(shortText);
    const auto wantU = referenceUnsigned(shortText);
    if (gotU != wantU)
        fail("unsigned: values differ", shortText);
    return 0;
}
