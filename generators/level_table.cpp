#include "level_table.h"

#include <cmath>

namespace {

// One row per scale: 20 log10 of its full-scale value, and the level used at
// 0 dB in place of the formula.
struct LevelRow {
    double fullScaleDb;
    double atZeroDb;
};

// 20 log10(2^31 - 1), 20 log10(2^23 - 1) and 20 log10(2^15 - 1).
constexpr double kDb31 = 186.6385973076236;
constexpr double kDb23 = 138.4737969699925;
constexpr double kDb15 = 90.3087336228339;

// The tone's 0 dB levels stay a little below full scale, so that the 16-bit
// dither (up to +65534 before the shift) and the tone's trim cannot overflow:
// 32766 x 65536 - 2, 2^23 - 3 and 2^31 - 3. The noises' are full scale.
constexpr LevelRow kTone16{kDb31, 2147352574.0};
constexpr LevelRow kTone24{kDb23, 8388605.0};
constexpr LevelRow kTone32{kDb31, 2147483645.0};
constexpr LevelRow kNoise16{kDb15, 32767.0};
constexpr LevelRow kNoise24{kDb23, 8388607.0};
constexpr LevelRow kNoise32{kDb31, 2147483647.0};

// Any width other than 16 and 24 counts as 32.
const LevelRow& rowFor(int32_t width, const LevelRow& w16, const LevelRow& w24, const LevelRow& w32)
{
    return width == 16 ? w16 : width == 24 ? w24 : w32;
}

double level(const LevelRow& row, uint32_t attenuation)
{
    if (attenuation == 0)
        return row.atZeroDb;
    return std::pow(10.0, (row.fullScaleDb - static_cast<double>(attenuation)) / 20.0);
}

}  // namespace

double toneLevel(uint32_t attenuation, int32_t width)
{
    return level(rowFor(width, kTone16, kTone24, kTone32), attenuation);
}

double noiseLevel(uint32_t attenuation, int32_t width)
{
    return level(rowFor(width, kNoise16, kNoise24, kNoise32), attenuation);
}
