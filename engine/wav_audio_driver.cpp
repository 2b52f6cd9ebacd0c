#include "wav_audio_driver.h"

#include <cstring>
#include <new>

int blockBytesForBits(int bits)
{
    if (bits == 32)
        return 4096;
    if (bits == 24)
        return 3072;
    return 2048;
}

WavAudioDriver::WavAudioDriver(void*, int, bool use16BitSampleType)
{
    std::memset(&info_, 0, sizeof info_);
    info_.interfaceVersion = 2;
    info_.driverVersion = 1;
    std::strcpy(info_.name, "Wav Audio");
    const int32_t type = use16BitSampleType ? kSampleInt16LSB : kSampleInt32LSB;
    for (int32_t i = 0; i < 2; ++i) {
        std::memset(&channels_[i], 0, sizeof channels_[i]);
        channels_[i].channelIndex = i;
        channels_[i].isInput = 0;
        channels_[i].isActive = 1;
        channels_[i].group = 0;
        channels_[i].sampleType = type;
        std::strcpy(channels_[i].name, i == 0 ? "WavChn0" : "WavChn1");
    }
    std::memset(buffers_, 0, sizeof buffers_);
}

bool WavAudioDriver::init(void*)
{
    return true;
}

void WavAudioDriver::getErrorText(char* text) const
{
    if (text)
        std::strcpy(text, info_.errorText);
}

int32_t WavAudioDriver::getChannels(int32_t* inputs, int32_t* outputs) const
{
    *inputs = 0;
    *outputs = 2;
    return kDeviceOk;
}

int32_t WavAudioDriver::getBufferSize(int32_t* minimum, int32_t* maximum, int32_t* preferred,
                                      int32_t* granularity) const
{
    *minimum = kBlockFrames;
    *maximum = kBlockFrames;
    *preferred = kBlockFrames;
    *granularity = 0;
    return kDeviceOk;
}

int32_t WavAudioDriver::canSampleRate(double) const
{
    return kDeviceOk;
}

int32_t WavAudioDriver::getSampleRate(double* rate) const
{
    *rate = sampleRate_.load(std::memory_order_relaxed);
    return kDeviceOk;
}

int32_t WavAudioDriver::setSampleRate(double rate)
{
    sampleRate_.store(rate, std::memory_order_relaxed);
    return kDeviceOk;
}

int32_t WavAudioDriver::getChannelInfo(ChannelInfo* info) const
{
    if (info->channelIndex < 0 || info->channelIndex > 1)
        return kDeviceNotPresent;
    *info = channels_[info->channelIndex];
    return kDeviceOk;
}

int32_t WavAudioDriver::createBuffers(BufferInfo* infos, int32_t, int32_t,
                                      const HostCallbacks* callbacks)
{
    callbacks_ = callbacks ? *callbacks : HostCallbacks{};
    if (!callbacks_.bufferSwitch)
        return kDeviceNoMemory;
    buffers_[0].buffers[0] = buffers_[1].buffers[0] = nullptr;
    bufferA_.reset(new (std::nothrow) int32_t[kBlockFrames]);
    bufferB_.reset(new (std::nothrow) int32_t[kBlockFrames]);
    if (!bufferA_ || !bufferB_) {
        bufferA_.reset();
        bufferB_.reset();
        return kDeviceNoMemory;
    }
    buffers_[0] = BufferInfo{infos[0].isInput, infos[0].channelIndex, {bufferA_.get(), nullptr}};
    buffers_[1] = BufferInfo{infos[1].isInput, infos[1].channelIndex, {bufferB_.get(), nullptr}};
    infos[0] = buffers_[0];
    infos[1] = buffers_[1];
    return kDeviceOk;
}

int32_t WavAudioDriver::disposeBuffers()
{
    bufferA_.reset();
    bufferB_.reset();
    std::memset(buffers_, 0, sizeof buffers_);
    return kDeviceOk;
}

int32_t WavAudioDriver::start()
{
    return kDeviceOk;
}

int32_t WavAudioDriver::stop()
{
    return kDeviceOk;
}

int32_t WavAudioDriver::outputReady()
{
    return kDeviceOk;
}

bool WavAudioDriver::pullBlock(unsigned char* block, int bits)
{
    if (!callbacks_.bufferSwitch || !bufferA_ || !callbacks_.bufferSwitch(0, true))
        return false;
    const int32_t* s = bufferA_.get();
    unsigned char* out = block;
    // Both channels carry channel 0's sample: its low 2, 3 or 4 bytes,
    // least significant first.
    if (bits == 32) {
        for (int i = 0; i < kBlockFrames; ++i) {
            const uint32_t v = static_cast<uint32_t>(s[i]);
            const unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                                        static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
            std::memcpy(out, b, 4);
            std::memcpy(out + 4, b, 4);
            out += 8;
        }
    } else if (bits == 24) {
        for (int i = 0; i < kBlockFrames; ++i) {
            const uint32_t v = static_cast<uint32_t>(s[i]);
            out[0] = out[3] = static_cast<unsigned char>(v);
            out[1] = out[4] = static_cast<unsigned char>(v >> 8);
            out[2] = out[5] = static_cast<unsigned char>(v >> 16);
            out += 6;
        }
    } else {
        for (int i = 0; i < kBlockFrames; ++i) {
            const uint32_t v = static_cast<uint32_t>(s[i]);
            out[0] = out[2] = static_cast<unsigned char>(v);
            out[1] = out[3] = static_cast<unsigned char>(v >> 8);
            out += 4;
        }
    }
    return true;
}
