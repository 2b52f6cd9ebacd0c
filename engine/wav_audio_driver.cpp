#include "wav_audio_driver.h"

#include <bit>
#include <cstring>
#include <new>

#include "kernel_set.h"

namespace {

// Whole words go to the block as little-endian bytes; on a little-endian
// machine that is a plain store.
template <typename Word>
inline void storeLE(unsigned char* out, Word w)
{
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(out, &w, sizeof w);
    } else {
        for (size_t k = 0; k < sizeof w; ++k)
            out[k] = static_cast<unsigned char>(w >> (8 * k));
    }
}

typedef int32_t Words4 __attribute__((vector_size(16)));

// Four samples a step where the bytes are little-endian (each doubled into
// a frame by lane shuffles), one at a time elsewhere.
void convertTo32(const int32_t* s, unsigned char* out)
{
    if constexpr (std::endian::native == std::endian::little) {
        static_assert(kBlockFrames % 4 == 0, "whole groups of four frames");
        for (int i = 0; i < kBlockFrames; i += 4) {
            Words4 a;
            std::memcpy(&a, s + i, sizeof a);
            const Words4 lo = __builtin_shufflevector(a, a, 0, 0, 1, 1);
            const Words4 hi = __builtin_shufflevector(a, a, 2, 2, 3, 3);
            std::memcpy(out + 8 * i, &lo, sizeof lo);
            std::memcpy(out + 8 * i + 16, &hi, sizeof hi);
        }
    } else {
        for (int i = 0; i < kBlockFrames; ++i) {
            const uint64_t v = static_cast<uint32_t>(s[i]);
            storeLE(out + 8 * i, v | v << 32);
        }
    }
}

void convertTo16(const int32_t* s, unsigned char* out)
{
    if constexpr (std::endian::native == std::endian::little) {
        for (int i = 0; i < kBlockFrames; i += 4) {
            Words4 a;
            std::memcpy(&a, s + i, sizeof a);
            const Words4 frames = (a & 0xFFFF) | (a << 16);
            std::memcpy(out + 4 * i, &frames, sizeof frames);
        }
    } else {
        for (int i = 0; i < kBlockFrames; ++i) {
            const uint32_t v = static_cast<uint32_t>(s[i]) & 0xFFFFu;
            storeLE(out + 4 * i, v | v << 16);
        }
    }
}

// Four frames (24 bytes) at a time as three 64-bit words: the eight 24-bit
// values t0 t0 t1 t1 t2 t2 t3 t3 laid end to end.
void convertTo24Words(const int32_t* s, unsigned char* out)
{
    static_assert(kBlockFrames % 4 == 0, "whole groups of four frames");
    for (int i = 0; i < kBlockFrames; i += 4) {
        const uint64_t t0 = static_cast<uint32_t>(s[i]) & 0xFFFFFFu;
        const uint64_t t1 = static_cast<uint32_t>(s[i + 1]) & 0xFFFFFFu;
        const uint64_t t2 = static_cast<uint32_t>(s[i + 2]) & 0xFFFFFFu;
        const uint64_t t3 = static_cast<uint32_t>(s[i + 3]) & 0xFFFFFFu;
        unsigned char* o = out + 6 * i;
        storeLE(o, t0 | t0 << 24 | t1 << 48);
        storeLE(o + 8, t1 >> 16 | t1 << 8 | t2 << 32 | t2 << 56);
        storeLE(o + 16, t2 >> 8 | t3 << 16 | t3 << 40);
    }
}

typedef unsigned char Bytes16 __attribute__((vector_size(16)));

// Eight frames (48 bytes) from eight samples (32 bytes) by byte shuffles:
// byte j of the eight frames is byte j % 6 % 3 of sample j / 6.
#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx2"))) void convertTo24Avx2(const int32_t* s, unsigned char* out)
{
    static_assert(kBlockFrames % 8 == 0, "whole groups of eight frames");
    for (int i = 0; i < kBlockFrames; i += 8) {
        Bytes16 a, b;
        std::memcpy(&a, s + i, sizeof a);
        std::memcpy(&b, s + i + 4, sizeof b);
        const Bytes16 o0 = __builtin_shufflevector(a, a, 0, 1, 2, 0, 1, 2, 4, 5, 6, 4, 5, 6, 8, 9, 10, 8);
        const Bytes16 o1 = __builtin_shufflevector(a, b, 9, 10, 12, 13, 14, 12, 13, 14, 16, 17, 18, 16, 17, 18, 20, 21);
        const Bytes16 o2 = __builtin_shufflevector(b, b, 6, 4, 5, 6, 8, 9, 10, 8, 9, 10, 12, 13, 14, 12, 13, 14);
        unsigned char* o = out + 6 * i;
        std::memcpy(o, &o0, sizeof o0);
        std::memcpy(o + 16, &o1, sizeof o1);
        std::memcpy(o + 32, &o2, sizeof o2);
    }
}
#endif

// The shuffles where the AVX2 kernels are in use (x86, so little-endian),
// chosen during static initialisation; the words elsewhere.
void (*const convertTo24)(const int32_t*, unsigned char*) = [] {
#if defined(__x86_64__) || defined(__i386__)
    if (kernelSet() == KernelSet::Avx2)
        return convertTo24Avx2;
#endif
    return convertTo24Words;
}();

}  // namespace

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
    // Both channels carry channel 0's sample: its low 2, 3 or 4 bytes,
    // least significant first.
    if (bits == 32)
        convertTo32(s, block);
    else if (bits == 24)
        convertTo24(s, block);
    else
        convertTo16(s, block);
    return true;
}
