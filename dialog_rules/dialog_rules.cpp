#include "dialog_rules.h"

#include <cerrno>
#include <charconv>
#include <cmath>

#include "data_exchange.h"
#include "note_table.h"
#include "request_limits.h"

namespace {

// The bar's range is 0..n + 1 and must stay a positive int.
constexpr int kMaxBlockCount = 65534;

// The most of a field's text that is read: a number field, an integer field.
constexpr size_t kDecimalTextLength = 399;
constexpr size_t kUnsignedTextLength = 63;

struct FieldRule {
    double DialogValues::*decimal;  // null for the attenuation
    double low;
    double high;
};

FieldRule ruleOf(ValueField field)
{
    const RequestLimits& l = kRequestLimits;
    switch (field) {
    case ValueField::SweepStart:
        return {&DialogValues::sweepStartHz, l.minFrequencyHz, l.maxFrequencyHz};
    case ValueField::SweepEnd:
        return {&DialogValues::sweepEndHz, l.minFrequencyHz, l.maxFrequencyHz};
    case ValueField::Duration:
        return {&DialogValues::durationSec, l.minSineSeconds, l.maxSeconds};
    case ValueField::SineFrequency:
        return {&DialogValues::sineHz, l.minFrequencyHz, l.maxFrequencyHz};
    case ValueField::Attenuation:
        break;
    }
    return {nullptr, 0.0, double(l.maxAttenuationDb)};
}

std::optional<std::string> readDecimal(std::string_view text, double& member, double low, double high)
{
    const std::optional<double> value = scanDecimal(text.substr(0, kDecimalTextLength));
    if (!value)
        return "Enter a number.";
    member = *value;
    if (member < low || member > high)
        return "Enter a number between " + formatDouble(low) + " and " + formatDouble(high) + ".";
    return std::nullopt;
}

std::optional<std::string> readUnsigned(std::string_view text, uint32_t& member, uint32_t low, uint32_t high)
{
    const std::optional<uint32_t> value = scanUnsigned(text.substr(0, kUnsignedTextLength));
    if (!value)
        return "Enter a positive integer.";
    member = *value;
    if (member < low || member > high)
        return "Enter an integer between " + std::to_string(low) + " and " + std::to_string(high) + ".";
    return std::nullopt;
}

bool isUsablePath(const std::string& path)
{
    // A longer name or one with an embedded NUL would reach the file system as
    // a different name than the one the user typed.
    return path.size() <= kMaxPathBytes && path.find('\0') == std::string::npos;
}

} // namespace

std::string fieldText(const DialogValues& values, ValueField field)
{
    const FieldRule rule = ruleOf(field);
    return rule.decimal ? formatDouble(values.*rule.decimal) : std::to_string(values.attenuationDb);
}

std::optional<FieldFailure> readFields(DialogValues& values, const std::function<std::string(ValueField)>& textOf)
{
    for (ValueField field : kValueFields) {
        const FieldRule rule = ruleOf(field);
        const std::string text = textOf(field);
        const std::optional<std::string> failure =
            rule.decimal ? readDecimal(text, values.*rule.decimal, rule.low, rule.high)
                         : readUnsigned(text, values.attenuationDb, 0, kRequestLimits.maxAttenuationDb);
        if (failure)
            return FieldFailure{field, *failure};
    }
    return std::nullopt;
}

std::string defaultOutputPath(std::string_view startDir, char separator)
{
    if (startDir.empty())
        return "Test.wav";
    return std::string(startDir) + separator + "Test.wav";
}

const char* rateItemText(int engineRate)
{
    return engineRate == 44100 ? "44100" : engineRate == 48000 ? "48000" : "96000";
}

std::string noteFrequencyText(double hz)
{
    return formatFixed(hz, 11);
}

void fillRequest(JobRequest& request, SignalKind kind, const DialogValues& values, std::string path,
                 uint32_t engineRate)
{
    request.path = std::move(path);
    request.sampleRate = engineRate;
    request.startHz = kind == SignalKind::Sine ? values.sineHz : kind == SignalKind::Sweep ? values.sweepStartHz : 0.0;
    request.endHz = kind == SignalKind::Sweep ? values.sweepEndHz : 0.0;
    request.durationSec = values.durationSec;
    request.attenuationDb = values.attenuationDb;
    request.kind = kind;
    request.bitWidth = values.bitWidth;
}

int progressBlockCount(uint32_t sampleRate, double durationSec)
{
    const double blocks = std::floor(static_cast<double>(sampleRate) * durationSec / kBlockFrames);
    // Durations the dialog let through with a message may be negative, huge or
    // infinite; the engine refuses those jobs, the bar just has to stay sane.
    if (!(blocks >= 0.0))
        return 0;
    if (blocks > kMaxBlockCount)
        return kMaxBlockCount;
    return static_cast<int>(blocks);
}

void runJob(const JobRequest& r, JobReporter& reporter)
{
    const int n = progressBlockCount(r.sampleRate, r.durationSec);
    reporter.resetBar(n + 1);

    const uint64_t blocksBefore = reporter.blocksWritten();
    const bool usable = isUsablePath(r.path);
    const int result = usable ? renderSignal(r.path.c_str(),
                                             {r.kind, r.startHz, r.endHz, r.durationSec, r.attenuationDb, r.bitWidth})
                              : kRenderFailed;

    if (result == kRenderFailed && usable && lastRenderError() == ENOMEM) {
        // Not the path's fault: the job could not have the memory it needs.
        reporter.tell(kNoMemoryMessage, MessageIcon::Error);
    } else if (result == kRenderFailed) {
        reporter.tell(kInvalidPathMessage, MessageIcon::Warning);
    } else if (result == kRenderOutOfRange) {
        // A refused job is no finished one: the bar stays where it is.
        reporter.tell(refusalMessage(r), MessageIcon::Warning);
    } else {
        reporter.fillBar(n + 1);
        // A tone too short for whole cycles is rendered as the leading silent
        // block alone; the file is written, and the user told.
        if (reporter.blocksWritten() == blocksBefore && r.kind == SignalKind::Sine)
            reporter.tell(silentToneMessage(r), MessageIcon::Information);
    }
    reporter.giveButtonsBack();
}

std::optional<int64_t> readSeedTime(std::string_view text)
{
    if (!text.empty() && text[0] == '+')
        text.remove_prefix(1);
    int64_t seconds = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return seconds;
}

// What the engine refused in a request it answered out of range for, in the
// order in which it checks.
std::string refusalMessage(const JobRequest& r)
{
    const RequestLimits& l = kRequestLimits;
    const bool sine = r.kind == SignalKind::Sine;
    const char* name = sine ? "a sine" : r.kind == SignalKind::Sweep ? "a sweep"
                       : r.kind == SignalKind::PinkNoise            ? "pink noise"
                                                                    : "white noise";
    const double shortest = sine ? l.minSineSeconds : l.minSweepNoiseSeconds;
    const auto frequencyOk = [&l](double hz) { return hz >= l.minFrequencyHz && hz <= l.maxFrequencyHz; };
    const std::string hzRange = formatDouble(l.minFrequencyHz) + " to " + formatDouble(l.maxFrequencyHz) + " Hz";
    std::string what;
    if (r.attenuationDb > l.maxAttenuationDb)
        // A negative text wraps round in the unsigned field: show it as typed.
        what = "the attenuation of " + std::to_string(static_cast<int32_t>(r.attenuationDb)) +
               " dB is outside 0 to " + std::to_string(l.maxAttenuationDb) + " dB";
    else if (!(r.durationSec >= shortest && r.durationSec <= l.maxSeconds))
        what = "the duration of " + formatDouble(r.durationSec) + " s is outside " + formatDouble(shortest) + " to " +
               formatDouble(l.maxSeconds) + " s for " + name;
    else if (!frequencyOk(r.startHz))
        what = std::string("the ") + (sine ? "frequency" : "start frequency") + " of " + formatDouble(r.startHz) +
               " Hz is outside " + hzRange;
    else if (!sine && !frequencyOk(r.endHz))
        what = "the end frequency of " + formatDouble(r.endHz) + " Hz is outside " + hzRange;
    else
        what = "the values were refused";
    return "No file was written: " + what + ".";
}

std::string silentToneMessage(const JobRequest& r)
{
    return "The tone of " + formatDouble(r.startHz) + " Hz is too short to render in " + formatDouble(r.durationSec) +
           " s: it needs at least two whole cycles and more than 512 samples. The file holds silence only.";
}
