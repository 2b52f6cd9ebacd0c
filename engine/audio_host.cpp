#include "audio_host.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "dither.h"
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

bool AudioHost::startTone(double frequency, double duration, uint32_t attenuation, int bits, int rate)
{
    if (!shared.tone || !startDevice())
        return false;
    seedDither(seedTimeNow());
    shared.ditherEnabled = bits == 16;
    shared.tone->setRangeRunner(shared.runner);
    return shared.tone->configureTone(static_cast<double>(rate), frequency, duration, attenuation, bits);
}

bool AudioHost::startSweep(double startFrequency, double endFrequency, double duration,
                           uint32_t attenuation, int bits, int rate)
{
    if (!shared.tone || !startDevice())
        return false;
    seedDither(seedTimeNow());
    shared.ditherEnabled = bits == 16;
    shared.tone->setRangeRunner(shared.runner);
    return shared.tone->configureSweep(static_cast<double>(rate), startFrequency, endFrequency, duration,
                                       attenuation, bits);
}

bool AudioHost::startPinkNoise(double duration, uint32_t attenuation, int bits, int rate)
{
    if (!shared.pink || !startDevice())
        return false;
    return shared.pink->configurePink(static_cast<uint32_t>(rate), bits, duration, attenuation);
}

bool AudioHost::startWhiteNoise(double duration, uint32_t attenuation, int bits, int rate)
{
    if (!shared.white || !startDevice())
        return false;
    shared.white->setRangeRunner(shared.runner);
    return shared.white->configureWhite(static_cast<uint32_t>(rate), bits, duration, attenuation);
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

int AudioHost::nextDitherValue()
{
    return nextDitherDraw(ditherState);
}

void AudioHost::ditherTo16Bits(int32_t* first, int32_t* second, int count)
{
    // The state is handed over by reference and kept in locals for the whole
    // call: the samples are written through int32_t pointers, which could
    // otherwise alias it.
    ditherFrames(first, second, count, ditherState);
}
