// White and pink noise by their rules alone: one value after the other from
// the random sources' own steps, the library's log, sqrt, cos and sin, no
// values made ahead. What the noise generators' fills give must be exactly this.
#pragma once

#include <cstdint>

#include "mwc_random.h"
#include "noise_frame.h"
#include "pink_noise.h"

class PlainWhiteNoise : public NoiseGeneratorFrame {
public:
    void configure(uint32_t sampleRate, int32_t width, double duration, uint32_t attenuation);
    void fillBlock(int32_t* samples, uint32_t count);
    bool active() const { return active_; }
    MwcRandom source;
};

class PlainPinkNoise : public NoiseGeneratorFrame {
public:
    // The source starts where the caller puts it; rows, sum and counter carry
    // over from one signal to the next.
    void configure(uint32_t sampleRate, int32_t width, double duration, uint32_t attenuation);
    void fillBlock(int32_t* samples, uint32_t count);
    bool active() const { return active_; }
    PinkNoiseSource source;
};
