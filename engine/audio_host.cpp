#include "audio_host.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "kernel_set.h"
#include "pink_noise.h"
#include "seed_clock.h"
#include "tone_generator.h"
#include "white_noise.h"

namespace {

// Everything the context-free callbacks need, in one place.
struct HostShared {
    WavAudioDriver* device = nullptr;
    std::unique_ptr<ToneGenerator> tone;
    std::unique_ptr<PinkNoiseGenerator> pink;
    std::unique_ptr<WhiteNoiseGenerator> white;
    RangeRunner* runner = nullptr;  // spreads the generators' order-free arithmetic; may be null
    int32_t outputPairs = 0;
    int32_t inputChannels = 0;
    int32_t outputChannels = 0;
    int32_t minimumSize = 0;
    int32_t maximumSize = 0;
    int32_t preferredSize = 0;
    int32_t granularity = 0;
    // Refreshed on the dialog's thread, read on the worker's.
    std::atomic<double> sampleRate{0.0};
    bool notifyOutputReady = false;
    int32_t inputBuffers = 0;
    int32_t outputBuffers = 0;
    BufferInfo buffers[2] = {};
    ChannelInfo channels[2] = {};
    bool ditherEnabled = false;

    void clearAttachItems()
    {
        outputPairs = inputChannels = outputChannels = 0;
        minimumSize = maximumSize = preferredSize = granularity = 0;
        sampleRate.store(0.0);
        notifyOutputReady = false;
        inputBuffers = outputBuffers = 0;
        std::memset(buffers, 0, sizeof buffers);
        std::memset(channels, 0, sizeof channels);
        ditherEnabled = false;
    }
} shared;

thread_local uint32_t ditherState = 1;

}  // namespace

AudioHost::AudioHost(WavAudioDriver* device, void* systemHandle)
{
    attachDevice(device, systemHandle);
}

AudioHost::~AudioHost() = default;

bool AudioHost::attachDevice(WavAudioDriver* device, void* systemHandle)
{
    systemHandle_ = systemHandle;
    shared.device = device;
    shared.runner = nullptr;
    initialised_ = started_ = buffersCreated_ = false;
    shared.tone.reset();
    shared.pink.reset();
    shared.white.reset();
    sampleType_ = 0;
    errorText_[0] = '\0';

    if (!device->init(systemHandle_)) {
        device->getErrorText(errorText_);
        return false;
    }
    shared.clearAttachItems();
    device->getChannels(&shared.inputChannels, &shared.outputChannels);
    device->getBufferSize(&shared.minimumSize, &shared.maximumSize, &shared.preferredSize,
                          &shared.granularity);
    double rate = 0.0;
    device->getSampleRate(&rate);
    shared.sampleRate.store(rate);

    int outputs = 0;
    int32_t group = 0;
    for (int32_t i = 0; i < shared.outputChannels; ++i) {
        ChannelInfo info{};
        info.channelIndex = i;
        info.isInput = 0;
        device->getChannelInfo(&info);
        if (i == 0) {
            group = info.group;
            sampleType_ = info.sampleType;
            outputs = 1;
        } else if (info.group == group) {
            ++outputs;
        }
    }
    if (outputs == 0)
        return false;
    if (sampleType_ != kSampleInt32LSB && sampleType_ != kSampleInt16LSB)
        return false;

    initialised_ = true;
    shared.outputPairs = 1;
    shared.notifyOutputReady = device->outputReady() == kDeviceOk;
    callbacks_ = HostCallbacks{&AudioHost::onBufferSwitch, &AudioHost::onSampleRateChanged,
                               &AudioHost::onHostMessage, nullptr};
    return true;
}

bool AudioHost::prepareBuffers()
{
    shared.inputBuffers = 0;
    shared.outputBuffers = 2 * shared.outputPairs;
    std::memset(shared.buffers, 0, sizeof shared.buffers);
    for (int32_t i = 0; i < 2; ++i) {
        shared.buffers[i].isInput = 0;
        shared.buffers[i].channelIndex = i;
    }
    if (shared.device->createBuffers(shared.buffers, shared.outputBuffers, shared.preferredSize,
                                     &callbacks_) != kDeviceOk)
        return false;
    int passed = 0;
    for (int i = 0; i < 2; ++i) {
        shared.channels[i].channelIndex = shared.buffers[i].channelIndex;
        shared.channels[i].isInput = shared.buffers[i].isInput;
        if (shared.device->getChannelInfo(&shared.channels[i]) != kDeviceOk)
            break;
        if (shared.channels[i].isActive != 1)
            break;
        buffersCreated_ = true;
        if (shared.channels[i].sampleType != sampleType_)
            break;
        ++passed;
    }
    if (passed != 2)
        return false;
    shared.ditherEnabled = true;

    shared.tone.reset(new (std::nothrow) ToneGenerator(static_cast<uint32_t>(shared.preferredSize)));
    shared.pink.reset(new (std::nothrow) PinkNoiseGenerator());
    shared.white.reset(new (std::nothrow) WhiteNoiseGenerator());
    return shared.tone && shared.pink && shared.white;
}

bool AudioHost::setSampleRate(uint32_t rate)
{
    const double value = static_cast<double>(rate);
    const int32_t can = shared.device->canSampleRate(value);
    if (can == kDeviceNoClock || can == kDeviceNotPresent)
        return false;
    if (shared.device->setSampleRate(value) != kDeviceOk)
        return false;
    double current = 0.0;
    shared.device->getSampleRate(&current);
    shared.sampleRate.store(current);
    return true;
}

int AudioHost::getWholeSampleRate()
{
    double current = 0.0;
    if (shared.device->getSampleRate(&current) != kDeviceOk)
        return 0;
    shared.sampleRate.store(current);
    return static_cast<int>(current);
}

bool AudioHost::startDevice()
{
    if (!started_) {
        if (shared.device->start() != kDeviceOk)
            return false;
        started_ = true;
    }
    return true;
}

void AudioHost::startTone(double frequency, double duration, uint32_t attenuation, int bits, int rate)
{
    if (!shared.tone || !startDevice())
        return;
    seedDither(seedTimeNow());
    shared.ditherEnabled = bits == 16;
    shared.tone->setRangeRunner(shared.runner);
    shared.tone->configureTone(static_cast<double>(rate), frequency, duration, attenuation, bits);
}

void AudioHost::startSweep(double startFrequency, double endFrequency, double duration,
                           uint32_t attenuation, int bits, int rate)
{
    if (!shared.tone || !startDevice())
        return;
    seedDither(seedTimeNow());
    shared.ditherEnabled = bits == 16;
    shared.tone->setRangeRunner(shared.runner);
    shared.tone->configureSweep(static_cast<double>(rate), startFrequency, endFrequency, duration,
                                attenuation, bits);
}

void AudioHost::startPinkNoise(double duration, uint32_t attenuation, int bits, int rate)
{
    if (!shared.pink || !startDevice())
        return;
    shared.pink->configurePink(static_cast<uint32_t>(rate), bits, duration, attenuation);
}

void AudioHost::startWhiteNoise(double duration, uint32_t attenuation, int bits, int rate)
{
    if (!shared.white || !startDevice())
        return;
    shared.white->setRangeRunner(shared.runner);
    shared.white->configureWhite(static_cast<uint32_t>(rate), bits, duration, attenuation);
}

void AudioHost::setRangeRunner(RangeRunner* runner)
{
    shared.runner = runner;
}

bool AudioHost::workAhead()
{
    return shared.tone && shared.tone->toneActive() && shared.tone->workAhead();
}

void AudioHost::disarm()
{
    if (shared.tone)
        shared.tone->disarm();
    if (shared.pink)
        shared.pink->disarm();
    if (shared.white)
        shared.white->disarm();
}

void AudioHost::shutdownHost()
{
    if (shared.device) {
        shared.device->stop();
        if (buffersCreated_) {
            shared.device->disposeBuffers();
            buffersCreated_ = false;
        }
    }
    shared.tone.reset();
    shared.pink.reset();
    shared.white.reset();
    // The runner belongs to whoever set it and may go once the host is down.
    shared.runner = nullptr;
}

bool AudioHost::onBufferSwitch(int index, bool)
{
    ToneGenerator* tone = shared.tone.get();
    PinkNoiseGenerator* pink = shared.pink.get();
    WhiteNoiseGenerator* white = shared.white.get();
    const bool toneOn = tone && tone->toneActive();
    const bool sweepOn = tone && tone->sweepActive();
    const bool pinkOn = pink && pink->pinkActive();
    const bool whiteOn = white && white->whiteActive();
    if (!toneOn && !sweepOn && !pinkOn && !whiteOn)
        return false;

    auto* first = static_cast<int32_t*>(shared.buffers[0].buffers[index]);
    auto* second = static_cast<int32_t*>(shared.buffers[1].buffers[index]);
    const auto count = static_cast<uint32_t>(shared.preferredSize);
    if (pinkOn) {
        pink->fillPinkBlock(first, count);
    } else if (whiteOn) {
        white->fillWhiteBlock(first, count);
    } else {
        if (toneOn)
            tone->fillToneBlock(first, second);
        else
            tone->fillSweepBlock(first, second);
        if (shared.ditherEnabled)
            ditherTo16Bits(first, second, shared.preferredSize);
    }
    if (shared.notifyOutputReady)
        shared.device->outputReady();
    return true;
}

int AudioHost::onHostMessage(int selector, int value)
{
    switch (selector) {
    case 1:
        switch (value) {
        case 2: case 3: case 5: case 6: case 7: case 8: case 10:
            return 1;
        default:
            return 0;
        }
    case 2:
        return 2;
    case 3:
    case 5:
    case 6:
        return 1;
    default:
        return 0;
    }
}

void AudioHost::onSampleRateChanged(double)
{
}

void AudioHost::seedDither(uint32_t seed)
{
    ditherState = seed;
}

namespace {

// The dither's congruential source, one step: state * 214013 + 2531011.
// k steps at once are state * A + C with the pair that jump() answers, so
// draws far apart in the sequence can be made without waiting on each other.
struct DitherJump {
    uint32_t a;
    uint32_t c;
};

constexpr DitherJump jump(int steps)
{
    DitherJump j{1u, 0u};
    for (int k = 0; k < steps; ++k)
        j = DitherJump{j.a * 214013u, j.c * 214013u + 2531011u};
    return j;
}

constexpr DitherJump kStep1 = jump(1);
constexpr DitherJump kStep2 = jump(2);
constexpr DitherJump kStep3 = jump(3);
constexpr DitherJump kStep4 = jump(4);
// Frames are dithered in groups of kLanes, each frame of a group from its own
// state (its four draws), so the group's arithmetic runs side by side.
constexpr int kLanes = 8;
constexpr DitherJump kGroupStep = jump(4 * kLanes);

inline uint32_t advance(uint32_t state, DitherJump j)
{
    return state * j.a + j.c;
}

inline uint32_t drawOf(uint32_t state)
{
    return (state >> 16) & 0x7FFFu;
}

// The magnitude plus two draws of 0..32767, shifted down by 16, with the
// sample's sign put back: the magnitude over 65536 rounded with triangular
// dither. Zero stays zero. The sum is at most 2^31 + 65534, so it is formed
// in unsigned 32 bits without overflow. negative is 0 or all bits set.
inline int32_t ditherSample(int32_t s, uint32_t r1, uint32_t r2)
{
    const auto negative = static_cast<uint32_t>(s >> 31);
    const uint32_t magnitude = (static_cast<uint32_t>(s) ^ negative) - negative;
    const uint32_t reduced = (r1 + r2 + magnitude) >> 16;
    return static_cast<int32_t>((reduced ^ negative) - negative);
}

}  // namespace

int AudioHost::nextDitherValue()
{
    ditherState = advance(ditherState, kStep1);
    return static_cast<int>(drawOf(ditherState));
}

namespace {

// kLanes unsigned 32-bit values side by side; on targets without vector
// registers of that width the compiler splits the operations. All of it is
// integer arithmetic, so every lane gives exactly what the scalar code gives.
typedef uint32_t LaneWord __attribute__((vector_size(4 * kLanes)));
typedef int32_t SignedLaneWord __attribute__((vector_size(4 * kLanes)));

// ditherSample on every lane; s is replaced by its dithered value.
inline void ditherLanes(LaneWord& s, const LaneWord& r1, const LaneWord& r2)
{
    const auto negative = reinterpret_cast<LaneWord>(reinterpret_cast<SignedLaneWord>(s) >> 31);
    const LaneWord magnitude = (s ^ negative) - negative;
    const LaneWord reduced = (r1 + r2 + magnitude) >> 16;
    s = (reduced ^ negative) - negative;
}

// Four draws per frame: two for first[i], then two for second[i]. Compiled
// twice, for AVX2 and for the baseline, and chosen once at start-up.
__attribute__((always_inline)) inline void ditherFramesBody(int32_t* first, int32_t* second, int count,
                                                            uint32_t& ditherState)
{
    uint32_t state = ditherState;
    int i = 0;
    if (count >= kLanes) {
        LaneWord lane;
        lane[0] = state;
        for (int j = 1; j < kLanes; ++j)
            lane[j] = advance(lane[j - 1], kStep4);
        for (; i + kLanes <= count; i += kLanes) {
            const LaneWord s1 = lane * kStep1.a + kStep1.c;
            const LaneWord s2 = lane * kStep2.a + kStep2.c;
            const LaneWord s3 = lane * kStep3.a + kStep3.c;
            const LaneWord s4 = lane * kStep4.a + kStep4.c;
            LaneWord a, b;
            std::memcpy(&a, first + i, sizeof a);
            std::memcpy(&b, second + i, sizeof b);
            ditherLanes(a, (s1 >> 16) & 0x7FFFu, (s2 >> 16) & 0x7FFFu);
            ditherLanes(b, (s3 >> 16) & 0x7FFFu, (s4 >> 16) & 0x7FFFu);
            std::memcpy(first + i, &a, sizeof a);
            std::memcpy(second + i, &b, sizeof b);
            lane = lane * kGroupStep.a + kGroupStep.c;
        }
        state = lane[0];
    }
    for (; i < count; ++i) {
        first[i] = ditherSample(first[i], drawOf(advance(state, kStep1)), drawOf(advance(state, kStep2)));
        second[i] = ditherSample(second[i], drawOf(advance(state, kStep3)), drawOf(advance(state, kStep4)));
        state = advance(state, kStep4);
    }
    ditherState = state;
}

using DitherFrames = void (*)(int32_t*, int32_t*, int, uint32_t&);

#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx2"))) void ditherFramesAvx2(int32_t* first, int32_t* second, int count, uint32_t& state)
{
    ditherFramesBody(first, second, count, state);
}
#endif

void ditherFramesBaseline(int32_t* first, int32_t* second, int count, uint32_t& state)
{
    ditherFramesBody(first, second, count, state);
}

// An ordinary pointer chosen during static initialisation, rather than a
// loader-resolved function, so that it also works under sanitizers whose
// runtime starts after the loader.
const DitherFrames ditherFrames = [] {
#if defined(__x86_64__) || defined(__i386__)
    if (kernelSet() == KernelSet::Avx2)
        return &ditherFramesAvx2;
#endif
    return &ditherFramesBaseline;
}();

}  // namespace

void AudioHost::ditherTo16Bits(int32_t* first, int32_t* second, int count)
{
    // The state is handed over by reference and kept in locals for the whole
    // call: the samples are written through int32_t pointers, which could
    // otherwise alias it.
    ditherFrames(first, second, count, ditherState);
}
