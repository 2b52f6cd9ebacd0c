// A pseudo audio output device. It stands where a low-latency audio driver
// would, but plays nothing and has no clock: each pullBlock runs the host's
// buffer-switch callback once and converts channel 0's 512 samples into an
// interleaved stereo block of the requested width.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "block_frames.h"

// Device status codes.
constexpr int32_t kDeviceOk = 0;
constexpr int32_t kDeviceNoMemory = -994;
constexpr int32_t kDeviceNoClock = -995;
constexpr int32_t kDeviceNotPresent = -1000;

// Sample-type codes the channels report.
constexpr int32_t kSampleInt16LSB = 16;
constexpr int32_t kSampleInt32LSB = 18;


struct DeviceInfo {
    int32_t interfaceVersion;
    int32_t driverVersion;
    char name[32];
    char errorText[124];
    void* systemHandle;
};

struct ChannelInfo {
    int32_t channelIndex;
    int32_t isInput;
    int32_t isActive;
    int32_t group;
    int32_t sampleType;
    char name[32];
};

struct BufferInfo {
    int32_t isInput;
    int32_t channelIndex;
    void* buffers[2];  // the two halves of a double buffer
};

// The host's callbacks. They carry no context argument: the host keeps what
// they need in process-wide state.
struct HostCallbacks {
    bool (*bufferSwitch)(int index, bool directProcess);
    void (*sampleRateDidChange)(double rate);
    int (*hostMessage)(int selector, int value);
    bool (*bufferSwitchTimeInfo)(int index, bool directProcess);  // may be null
};

// Block size in bytes of a 512-frame stereo block at a width: 4096 for 32,
// 3072 for 24 and 2048 for any other value.
int blockBytesForBits(int bits);

// Anything that fills the next block of 512 stereo frames at a width and
// answers whether it did. The render loop pulls from one.
class BlockSource {
public:
    virtual ~BlockSource() = default;
    virtual bool pullBlock(unsigned char* block, int bits) = 0;
};

class WavAudioDriver : public BlockSource {
public:
    WavAudioDriver(void* systemHandle, int preferredBufferSize, bool use16BitSampleType);

    bool init(void* systemHandle);
    void getErrorText(char* text) const;
    int32_t getChannels(int32_t* inputs, int32_t* outputs) const;
    int32_t getBufferSize(int32_t* minimum, int32_t* maximum, int32_t* preferred,
                          int32_t* granularity) const;
    int32_t canSampleRate(double rate) const;
    int32_t getSampleRate(double* rate) const;
    int32_t setSampleRate(double rate);
    int32_t getChannelInfo(ChannelInfo* info) const;
    int32_t createBuffers(BufferInfo* infos, int32_t channels, int32_t bufferSize,
                          const HostCallbacks* callbacks);
    int32_t disposeBuffers();
    int32_t start();
    int32_t stop();
    int32_t outputReady();
    bool pullBlock(unsigned char* block, int bits) override;

private:
    DeviceInfo info_;
    // Written by the dialog's thread while a job may read it.
    std::atomic<double> sampleRate_{44100.0};
    ChannelInfo channels_[2];
    BufferInfo buffers_[2];
    HostCallbacks callbacks_{};
    std::unique_ptr<int32_t[]> bufferA_;
    std::unique_ptr<int32_t[]> bufferB_;
};
