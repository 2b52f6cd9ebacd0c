// White and pink noise by their rules alone: one value after the other from
// the random sources' own steps, the library's log, sqrt, cos and sin, no
// values made ahead. What the noise generators' fills give must be exactly this.
#pragma once

#include <cstdint>
#include <vector>

#include "pink_noise.h"

// Every block of a white noise whose source is seeded at seedTime, the zeros
// after its last sample included (a noise of no samples is one block of
// zeros); empty when the duration counts no samples (noiseSampleCount).
// Samples are made in pairs, the cosine's first: a block of an odd size
// drops the sine's of its last pair.
std::vector<int32_t> plainWhiteNoise(uint32_t rate, double duration, uint32_t attenuation, int32_t width,
                                     uint32_t seedTime, uint32_t blockSize);

// Every block of a pink noise from source: its random word restarts at
// seedTime; its rows, sum and counter carry over from the noise before.
std::vector<int32_t> plainPinkNoise(PinkNoiseSource& source, uint32_t rate, double duration, uint32_t attenuation,
                                    int32_t width, uint32_t seedTime, uint32_t blockSize);
