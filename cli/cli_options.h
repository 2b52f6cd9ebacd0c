// Command-line arguments of veltrane-cli: what to do and with which values.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine.h"

enum class CliCommand { Render, ListNotes, Help, Version };
// The engine's signal kinds, by the command line's names.
enum class CliSignal : int32_t {
    Sine = int32_t(SignalKind::Sine),
    Sweep = int32_t(SignalKind::Sweep),
    Pink = int32_t(SignalKind::PinkNoise),
    White = int32_t(SignalKind::WhiteNoise),
};

// The value ranges the engine accepts, all bounds inclusive.
constexpr double kMinFrequencyHz = kRequestLimits.minFrequencyHz;
constexpr double kMaxFrequencyHz = kRequestLimits.maxFrequencyHz;
constexpr double kMinSineSeconds = kRequestLimits.minSineSeconds;
constexpr double kMinSweepNoiseSeconds = kRequestLimits.minSweepNoiseSeconds;
constexpr double kMaxSeconds = kRequestLimits.maxSeconds;
constexpr uint32_t kMaxAttenuationDb = kRequestLimits.maxAttenuationDb;

struct CliOptions {
    CliCommand command = CliCommand::Render;
    CliSignal signal = CliSignal::Sine;
    double frequency = kRequestDefaults.sineHz;
    std::optional<int> note;          // note index when --note was given (frequency holds its frequency)
    std::string noteText;             // the note name as given
    double startFrequency = kRequestDefaults.sweepStartHz;
    double endFrequency = kRequestDefaults.sweepEndHz;
    double duration = kRequestDefaults.seconds;
    uint32_t attenuation = kRequestDefaults.attenuationDb;
    uint32_t rate = kRequestDefaults.rate;
    int32_t bits = kRequestDefaults.bits;
    std::string output;               // empty: Test.wav in the working directory
    std::optional<int64_t> seedTime;  // empty: the current time
    bool quiet = false;
    bool json = false;                // the summary as one JSON object
};

struct CliParseResult {
    CliOptions options;
    std::string error;  // empty when the arguments are usable
};

// Parses the arguments after the program name. Every value is checked
// against its range here, so a request that parses is one the engine takes.
CliParseResult parseCliArguments(const std::vector<std::string>& args);

const char* signalName(CliSignal signal);

// A warning for an output path whose name does not end in .wav or .wave (in
// any letter case), since the file holds WAVE data whatever its name; empty
// for such a name, for standard output and for an existing target that is
// not a regular file (a device, a FIFO).
std::string extensionWarning(const std::string& path);

// Whether a sine of this frequency and duration yields any tone at this rate,
// and the shortest duration that does, in whole tenths of a millisecond: the
// text, read back as --duration reads it, is rendered, and a tenth less is not.
bool sineIsRendered(double frequency, double duration, uint32_t rate);
std::string sineMinimumDuration(double frequency, uint32_t rate);
