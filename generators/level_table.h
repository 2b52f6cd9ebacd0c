// The level rules of every signal: the peak amplitude for an attenuation in
// dB below full scale, at a sample width.
#pragma once

#include <cstdint>

// The tone and sweep, in the scale their samples are made in: 16-bit ones at
// 32-bit scale (the host's dither reduces them), 24-bit ones right-justified.
double toneLevel(uint32_t attenuation, int32_t width);

// The noises, in the range of the width itself.
double noiseLevel(uint32_t attenuation, int32_t width);
