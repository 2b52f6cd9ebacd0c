// The engine: one per process. Create it once, render jobs one after the
// other, shut it down once with no job running.
#pragma once

#include <cstdint>

#include "block_frames.h"
#include "progress.h"
#include "request_limits.h"

constexpr int kRenderOk = 0;
constexpr int kRenderOutOfRange = -1;
constexpr int kRenderFailed = -100;

bool isEngineAvailable();
// The CPUs the process may run on (its affinity), at least 1: the engine
// starts threads beside a job only when there is more than one.
int usableCpuCount();
// notifier may be null (no progress reports); it must outlive the engine.
bool createEngine(ProgressNotifier* notifier, bool use16BitSampleType);
bool setEngineSampleRate(uint32_t rate);
int getEngineSampleRate();

int renderSine(const char* path, double frequency, double duration,
               uint32_t attenuation, int32_t bits);
int renderSweep(const char* path, double startFrequency, double endFrequency,
                double duration, uint32_t attenuation, int32_t bits);
int renderPinkNoise(const char* path, double duration, uint32_t attenuation, int32_t bits);
int renderWhiteNoise(const char* path, double duration, uint32_t attenuation, int32_t bits);

// The four signals, numbered as the dialog numbers them, and a job for one.
enum class SignalKind : int32_t {
    Sine = 0,
    Sweep = 2,
    PinkNoise = 3,
    WhiteNoise = 4,
};
struct SignalRequest {
    SignalKind kind = SignalKind::Sine;
    double frequency = 0.0;     // a sine's, or where a sweep starts
    double endFrequency = 0.0;  // where a sweep ends
    double duration = 0.0;
    uint32_t attenuation = 0;
    int32_t bits = 16;
};
// Renders the request through its signal's entry point above. A kind that
// is none of the four renders nothing and answers kRenderOutOfRange.
int renderSignal(const char* path, const SignalRequest& request);

// Whether a sine request gives a tone at this rate: its length must round
// to at least two whole cycles that span more than one block. Otherwise the
// job renders a file of silence.
bool toneIsRendered(double frequency, double duration, uint32_t rate);

// The system's error number of the last job's failure (0 when there was
// none), for messages that name the reason: its file's, or ENOMEM when its
// signal could not be armed for want of memory (kRenderFailed, like a file
// that cannot be written: every job that answers kRenderOk wrote its file).
int lastRenderError();

// For tests: the helper threads of the engines created from now on. -1, the
// default: one fewer than the CPUs left for rendering. 0: none. n > 0: n
// helpers that take every piece of the job's arithmetic while the job's
// thread waits for them, so that all of it certainly goes through them.
void setEngineHelpersForTests(int helpers);

void shutdownEngine();

// For a thread that waits anyway while a job runs (such as a receiver
// waiting for the next progress report): computes one small piece of the
// running job's arithmetic, if there is one, and answers whether it did.
// Any thread, at any time. between, when given, is called with context
// between small steps of the piece, for a thread with duties that should not
// wait for the whole piece.
bool helpRenderJob(void (*between)(void*) = nullptr, void* context = nullptr);

// For a receiver whose blockRendered waits for the report to be handled: does
// a little of the running job's work ahead, and answers whether it did. That
// is the job's in-order work for later blocks where there is some (a tone's
// next phases), else a piece of its arithmetic as helpRenderJob takes one.
// Only on the job's thread, from within blockRendered.
bool workAheadOfReport();
