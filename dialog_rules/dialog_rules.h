// What the dialog decides, whatever toolkit draws it: its defaults, reading
// and checking its value fields, the request a generate button builds, the
// order of a job on its thread, and what the job's result means to the user.
// Each dialog keeps only its toolkit's part: controls, layout, message boxes
// and the hand-over between its threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "engine.h"  // SignalKind, the result codes
#include "request_limits.h"

// The caption of every message the dialog shows: the application's name.
inline constexpr const char* kProgramCaption = "Veltrane";
inline constexpr const char* kNoteTableFailure = "Can't create note array - Exiting!!";
inline constexpr const char* kInitialisationFailure = "Initialization failure - Exiting!!";
inline constexpr const char* kSampleRateFailure = "Can't set sample rate to requested value!";
inline constexpr const char* kInvalidPathMessage = "Invalid path or filename!!";

// The request's values as the dialog holds them; the initial values are the
// defaults every front end starts from.
struct DialogValues {
    double sweepStartHz = kRequestDefaults.sweepStartHz;
    double sweepEndHz = kRequestDefaults.sweepEndHz;
    double durationSec = kRequestDefaults.seconds;
    double sineHz = kRequestDefaults.sineHz;
    uint32_t attenuationDb = kRequestDefaults.attenuationDb;
    int32_t bitWidth = kRequestDefaults.bits;
};

// The value fields, in the order in which they are written and read.
enum class ValueField { SweepStart, SweepEnd, Duration, SineFrequency, Attenuation };
inline constexpr ValueField kValueFields[] = {ValueField::SweepStart, ValueField::SweepEnd, ValueField::Duration,
                                              ValueField::SineFrequency, ValueField::Attenuation};

// A field's text for its value: "%.15g" for the doubles, plain decimal for
// the attenuation.
std::string fieldText(const DialogValues& values, ValueField field);

// The first field that held no number or a number out of range, and what to
// tell the user about it.
struct FieldFailure {
    ValueField field;
    std::string message;
};

// Reads the fields' texts (textOf gives each) into values, in order, and stops
// at the first failure: a field without a number keeps its value, one out of
// range holds what was read, and the fields after it keep theirs.
std::optional<FieldFailure> readFields(DialogValues& values, const std::function<std::string(ValueField)>& textOf);

// The output path at start-up: the working directory, the separator and
// Test.wav; Test.wav alone, relative, when the directory is unknown.
std::string defaultOutputPath(std::string_view startDir, char separator);

// The rates the rate box offers, in its order, and the item that shows a rate
// the engine holds (the last one for any other rate).
inline constexpr uint32_t kSampleRates[] = {44100, 48000, 96000};
const char* rateItemText(int engineRate);

// The note selected at start-up: the first entry from this index on whose
// text begins with the prefix, wrapping around.
inline constexpr int kStartNoteSearchStart = 57;
inline constexpr const char* kStartNotePrefix = "A4 440.00000";
// The sine frequency field's text for a chosen note.
std::string noteFrequencyText(double hz);

// The longest output path, in bytes, that the file system accepts.
constexpr size_t kMaxPathBytes = 4095;

// One job: what to render and where.
struct JobRequest {
    std::string path;  // file-system encoding
    double startHz = 0.0;
    double endHz = 0.0;
    double durationSec = 0.0;
    uint32_t attenuationDb = 0;
    uint32_t sampleRate = 0;  // the engine's rate when the job was built; sizes the bar only
    SignalKind kind = SignalKind::Sine;
    int32_t bitWidth = 16;
};

// The request a generate button builds from the values as they stand.
void fillRequest(JobRequest& request, SignalKind kind, const DialogValues& values, std::string path,
                 uint32_t engineRate);

// Whole 512-frame blocks in the duration, kept inside what a bar can show.
int progressBlockCount(uint32_t sampleRate, double durationSec);

enum class MessageIcon { Warning, Information, Error };

// What a job's thread needs from the dialog. Each call is carried out on the
// dialog's thread and returns when it is done; tell returns when the user has
// closed the message.
class JobReporter {
public:
    virtual ~JobReporter() = default;
    virtual void resetBar(int maximum) = 0;  // range 0 to maximum, position 0
    virtual void fillBar(int increment) = 0;
    virtual void tell(const std::string& text, MessageIcon icon) = 0;
    // Generator blocks written to files so far, by every job.
    virtual uint64_t blocksWritten() const = 0;
    virtual void giveButtonsBack() = 0;
};

// A job on its thread: sizes and resets the bar, renders, then reports a job
// without the memory it needs or a bad path, reports a refused request (the bar stays), or fills the bar (and says
// so when a tone was too short to render and the file holds silence only),
// and gives the generate buttons back, in that order.
void runJob(const JobRequest& request, JobReporter& reporter);

// The value of the dialog program's --seed-time: whole seconds since 1970
// within 64 bits, with an optional sign, as the command line's option takes
// them. It pins the random sources' seed, so that a request gives the same
// bytes again.
std::optional<int64_t> readSeedTime(std::string_view text);

// The messages of a finished job.
std::string refusalMessage(const JobRequest& request);
std::string silentToneMessage(const JobRequest& request);
inline constexpr const char* kNoMemoryMessage = "No file was written: there is not enough memory for this job.";
