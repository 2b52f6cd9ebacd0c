// The host side of the pseudo audio device: attaches to it, owns the three
// generators, arms one per job and lets it fill the device's buffers in the
// buffer-switch callback, dithering 16-bit tone and sweep blocks.
//
// The device calls the callbacks without a context argument, so everything
// they reach lives in one process-wide record inside audio_host.cpp; there is
// one host per process.
#pragma once

#include <cstdint>

#include "range_runner.h"
#include "wav_audio_driver.h"

class AudioHost {
public:
    // Runs attachDevice.
    AudioHost(WavAudioDriver* device, void* systemHandle);
    ~AudioHost();
    AudioHost(const AudioHost&) = delete;
    AudioHost& operator=(const AudioHost&) = delete;

    bool attachDevice(WavAudioDriver* device, void* systemHandle);
    bool initialised() const { return initialised_; }
    const char* errorText() const { return errorText_; }

    bool prepareBuffers();
    bool setSampleRate(uint32_t rate);
    int getWholeSampleRate();

    // Arm one generator. Each job takes its rate once, when it is armed: the
    // engine passes the same whole rate that goes into the file header.
    // False when the signal cannot be armed (no generator, the device does
    // not start, no memory for the signal): its file would be silent.
    bool startTone(double frequency, double duration, uint32_t attenuation, int bits, int rate);
    bool startSweep(double startFrequency, double endFrequency, double duration,
                    uint32_t attenuation, int bits, int rate);
    bool startPinkNoise(double duration, uint32_t attenuation, int bits, int rate);
    bool startWhiteNoise(double duration, uint32_t attenuation, int bits, int rate);

    // Ends whatever generator is still armed, for a job that stopped before
    // its signal's end (its file could not be created or written).
    void disarm();
    // Who spreads the generators' order-free arithmetic over CPUs (may be
    // null: all of it runs on the job's thread).
    void setRangeRunner(RangeRunner* runner);
    // A little of the armed generator's in-order work ahead, on the job's
    // thread between fills; answers whether there was any.
    bool workAhead();

    void shutdownHost();

    // The device's callbacks.
    static bool onBufferSwitch(int index, bool directProcess);
    static int onHostMessage(int selector, int value);
    static void onSampleRateChanged(double rate);

    // Reduces 32-bit-scale samples to 16-bit range with triangular dither.
    static void ditherTo16Bits(int32_t* first, int32_t* second, int count);
    // The dither's random source: one state per thread.
    static void seedDither(uint32_t seed);
    static int nextDitherValue();

private:
    bool startDevice();

    bool initialised_ = false;
    bool started_ = false;
    bool buffersCreated_ = false;
    char errorText_[124] = {};
    void* systemHandle_ = nullptr;
    int32_t sampleType_ = 0;
    HostCallbacks callbacks_{};
};
