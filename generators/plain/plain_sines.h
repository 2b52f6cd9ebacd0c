// The tone and the sweep by their rules alone: one sample after the other,
// the library's sin, nothing computed ahead. What the tone generator's fills
// give must be exactly this.
#pragma once

#include <cstdint>
#include <vector>

// Every block a tone request fills, the zeros after its last sample
// included; empty when the request gives no tone.
std::vector<int32_t> plainTone(double sampleRate, double frequency, double duration, uint32_t attenuation,
                               int32_t width, uint32_t blockSize);

// Every block of a sweep; empty when the request gives none.
std::vector<int32_t> plainSweep(double sampleRate, double startFrequency, double endFrequency, double duration,
                                uint32_t attenuation, int32_t width, uint32_t blockSize);
