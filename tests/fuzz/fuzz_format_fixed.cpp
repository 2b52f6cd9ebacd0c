// formatFixed must round-trip: the text read back lies within half a unit of
// its last decimal of the value (plus the value's own rounding), for every
// magnitude that has a fixed form, and never overruns its 24-character
// buffer.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "note_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 9)
        return 0;
    double value;
    std::memcpy(&value, data, sizeof value);
    const int32_t decimals = static_cast<int8_t>(data[8]);

    char buffer[24 + 16];
    std::memset(buffer, 0x7E, sizeof buffer);
    formatFixed(buffer, value, decimals);
    const size_t length = strnlen(buffer, sizeof buffer);
    if (length >= 24) {
        std::fprintf(stderr, "text of %zu characters for %.17g\n", length, value);
        std::abort();
    }
    for (size_t i = 24; i < sizeof buffer; ++i)
        if (buffer[i] != 0x7E)
            std::abort();
    if (!std::isfinite(value) || std::fabs(value) >= 2147483648.0)
        return 0;

    int n = decimals < 0 ? -decimals : decimals;
    if (n > 11)
        n = 11;
    const double read = std::strtod(buffer, nullptr);
    const double unit = std::pow(10.0, -n);
    // Half a unit of the last decimal, plus what double arithmetic on the
    // fraction may add at this magnitude.
    const double allowed = 0.5 * unit + std::fabs(value) * 4e-16 + 1e-300;
    if (value != 0.0 && !(std::fabs(read - value) <= allowed)) {
        std::fprintf(stderr, "%.17g with %d decimals gave \"%s\"\n", value, n, buffer);
        std::abort();
    }
    return 0;
}
