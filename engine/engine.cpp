#include "engine.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <new>

#include "audio_host.h"
#include "render_loop.h"
#include "request_limits.h"
#include "sine_rules.h"
#include "thread_start.h"
#include "wave_file.h"
#include "wav_audio_driver.h"
#include "work_pool.h"

namespace {

// The engine's process-wide state: one device, one host, one receiver of the
// progress reports.
struct Engine {
    ProgressNotifier* notifier = nullptr;
    std::unique_ptr<WavAudioDriver> device;
    std::unique_ptr<AudioHost> host;
    std::unique_ptr<WorkPool> pool;  // started with the engine, stopped with it
    int helpersForTests = -1;        // setEngineHelpersForTests
    int error = 0;                   // the last job's failure before its file was opened
} engine;

// The pool as helpRenderJob sees it from other threads.
HelpedPool helpedPool;

void replacePool(WorkPool* pool)
{
    helpedPool.withdraw();
    engine.pool.reset(pool);
    helpedPool.offer(pool);
}

void dropHost()
{
    engine.host->shutdownHost();
    engine.host.reset();
}

// Takes the job's rate once, arms the generator with it, renders the file at
// the same rate, and disarms whatever is left armed when the job stopped
// early, so the next job renders its own signal. A job without an engine, or
// whose signal cannot be armed, fails before its file is touched: it would
// otherwise give a file of silence.
template <typename Arm>
int runJob(const char* path, int32_t bits, Arm arm)
{
    engine.error = 0;
    if (!engine.host) {
        engine.error = ENODEV;
        return kRenderFailed;
    }
    useDefaultFloatingPoint();
    const int rate = engine.host->getWholeSampleRate();
    if (!arm(*engine.host, rate)) {
        engine.host->disarm();
        engine.error = ENOMEM;
        return kRenderFailed;
    }
    if (!renderToFile(path, bits, rate, *engine.device, engine.notifier)) {
        engine.host->disarm();
        return kRenderFailed;
    }
    return kRenderOk;
}

constexpr const RequestLimits& kLimits = kRequestLimits;

bool durationOk(double duration, double minimum)
{
    return duration >= minimum && duration <= kLimits.maxSeconds;
}

bool frequencyOk(double frequency)
{
    return frequency <= kLimits.maxFrequencyHz && frequency >= kLimits.minFrequencyHz;
}

bool attenuationOk(uint32_t attenuation)
{
    return attenuation <= kLimits.maxAttenuationDb;
}

}  // namespace

bool isEngineAvailable()
{
    return true;
}

int usableCpuCount()
{
    return WorkPool::usableCpus();
}

bool createEngine(ProgressNotifier* notifier, bool use16BitSampleType)
{
    if (engine.host)
        dropHost();
    engine.notifier = notifier;
    engine.device.reset(new (std::nothrow) WavAudioDriver(nullptr, kBlockFrames, use16BitSampleType));
    if (!engine.device)
        return false;
    engine.host.reset(new (std::nothrow) AudioHost(engine.device.get(), notifier));
    if (!engine.host)
        return false;
    if (engine.host->initialised() && engine.host->prepareBuffers()) {
        // The CPUs left for rendering: a receiver that holds one during jobs
        // keeps it, and helps on it, also while the job's thread writes.
        const bool held = notifier && notifier->helpsDuringJobs();
        const int cpus = WorkPool::usableCpus() - (held ? 1 : 0);
        const int helpers = engine.helpersForTests >= 0 ? engine.helpersForTests : std::max(0, cpus - 1);
        const bool takeAll = engine.helpersForTests > 0;
        if (!engine.pool || engine.pool->helpers() != helpers || engine.pool->helped() != held ||
            engine.pool->helpersTakeAll() != takeAll)
            replacePool(new (std::nothrow) WorkPool(helpers, held, takeAll));
        setWaveWriterThreadAllowed(cpus > 1);
        setWaveDirectWritesShort(held);
        engine.host->setRangeRunner(engine.pool.get());
        return true;
    }
    dropHost();
    return false;
}

bool setEngineSampleRate(uint32_t rate)
{
    if (!engine.host || !engine.host->initialised())
        return false;
    return engine.host->setSampleRate(rate);
}

int getEngineSampleRate()
{
    if (!engine.host || !engine.host->initialised())
        return 0;
    return engine.host->getWholeSampleRate();
}

int renderSine(const char* path, double frequency, double duration, uint32_t attenuation, int32_t bits)
{
    if (!attenuationOk(attenuation) || !durationOk(duration, kLimits.minSineSeconds) || !frequencyOk(frequency))
        return kRenderOutOfRange;
    return runJob(path, bits, [&](AudioHost& host, int rate) {
        return host.startTone(frequency, duration, attenuation, bits, rate);
    });
}

int renderSweep(const char* path, double startFrequency, double endFrequency, double duration,
                uint32_t attenuation, int32_t bits)
{
    if (!attenuationOk(attenuation) || !durationOk(duration, kLimits.minSweepNoiseSeconds) ||
        !frequencyOk(startFrequency) || !frequencyOk(endFrequency))
        return kRenderOutOfRange;
    return runJob(path, bits, [&](AudioHost& host, int rate) {
        return host.startSweep(startFrequency, endFrequency, duration, attenuation, bits, rate);
    });
}

int renderPinkNoise(const char* path, double duration, uint32_t attenuation, int32_t bits)
{
    if (!attenuationOk(attenuation) || !durationOk(duration, kLimits.minSweepNoiseSeconds))
        return kRenderOutOfRange;
    return runJob(path, bits, [&](AudioHost& host, int rate) {
        return host.startPinkNoise(duration, attenuation, bits, rate);
    });
}

int renderWhiteNoise(const char* path, double duration, uint32_t attenuation, int32_t bits)
{
    if (!attenuationOk(attenuation) || !durationOk(duration, kLimits.minSweepNoiseSeconds))
        return kRenderOutOfRange;
    return runJob(path, bits, [&](AudioHost& host, int rate) {
        return host.startWhiteNoise(duration, attenuation, bits, rate);
    });
}

int renderSignal(const char* path, const SignalRequest& r)
{
    switch (r.kind) {
    case SignalKind::Sine:
        return renderSine(path, r.frequency, r.duration, r.attenuation, r.bits);
    case SignalKind::Sweep:
        return renderSweep(path, r.frequency, r.endFrequency, r.duration, r.attenuation, r.bits);
    case SignalKind::PinkNoise:
        return renderPinkNoise(path, r.duration, r.attenuation, r.bits);
    case SignalKind::WhiteNoise:
        return renderWhiteNoise(path, r.duration, r.attenuation, r.bits);
    }
    return kRenderOutOfRange;
}

bool toneIsRendered(double frequency, double duration, uint32_t rate)
{
    return planTone(static_cast<double>(rate), frequency, duration, kBlockFrames).accepted;
}

int lastRenderError()
{
    return engine.error != 0 ? engine.error : waveFileError();
}

void setEngineHelpersForTests(int helpers)
{
    engine.helpersForTests = helpers;
}

void shutdownEngine()
{
    if (engine.host)
        dropHost();
    engine.device.reset();
    replacePool(nullptr);
}

bool helpRenderJob(void (*between)(void*), void* context)
{
    return helpedPool.helpOnce(between, context);
}

bool workAheadOfReport()
{
    return engine.host && (engine.host->workAhead() || helpRenderJob());
}
