// Gaussian white noise.
#pragma once

#include <cstdint>
#include <memory>

#include "mwc_random.h"
#include "noise_frame.h"

class WhiteNoiseGenerator : public NoiseGeneratorFrame {
public:
    WhiteNoiseGenerator();
    void configureWhite(uint32_t sampleRate, int32_t width, double duration, uint32_t attenuation);
    void fillWhiteBlock(int32_t* samples, uint32_t count);
    bool whiteActive() const { return active_; }

    std::unique_ptr<MwcRandom> source;

private:
    int32_t whiteSample(double g) const;
};
