// The rules a noise sample follows besides its random source: how many
// samples a noise lasts, how its value is rounded and how a 16-bit sample
// keeps its width. The plain definitions and the generators' fills both
// use these, since they are the definition itself.
#pragma once

#include <cmath>
#include <cstdint>

// A noise lasts floor(rate x duration) samples, kept to their low 32 bits;
// a duration that counts no samples (negative, infinite, not a number) is refused.
inline bool noiseSampleCount(uint32_t rate, double duration, uint32_t& count)
{
    const double samples = std::floor(static_cast<double>(rate) * duration);
    if (!(samples >= 0.0 && samples < 9.2e18))
        return false;
    count = static_cast<uint32_t>(static_cast<int64_t>(samples));
    return true;
}

// A 16-bit sample keeps its low 16 bits, sign-extended; wider ones stay as they are.
inline int32_t reduceToWidth(int32_t sample, int32_t width)
{
    return width == 16 ? static_cast<int16_t>(sample) : sample;
}

// A white sample v = g x scale is rounded half away from zero by the sign of
// the gaussian value g: floor(v + 0.5) for g >= 0, ceil(v - 0.5) below.
inline double halfAwayShifted(double g, double v)
{
    return g >= 0.0 ? v + 0.5 : v - 0.5;
}
inline int32_t roundHalfAway(double g, double v)
{
    const double shifted = halfAwayShifted(g, v);
    return static_cast<int32_t>(g >= 0.0 ? std::floor(shifted) : std::ceil(shifted));
}
