#include "cli_options.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string_view>
#include <system_error>

#include "engine.h"
#include "note_names.h"
#include "note_table.h"

namespace {

enum class OptionId {
    Frequency, Note, Start, End, Duration, Attenuation, Rate, Bits, Output,
    SeedTime, Quiet, ListNotes, Help, Version
};

struct OptionDef {
    OptionId id;
    const char* longName;
    char shortName;  // 0 when there is none
    bool takesValue;
};

constexpr OptionDef kOptions[] = {
    {OptionId::Frequency, "frequency", 0, true},
    {OptionId::Note, "note", 0, true},
    {OptionId::Start, "start", 0, true},
    {OptionId::End, "end", 0, true},
    {OptionId::Duration, "duration", 'd', true},
    {OptionId::Attenuation, "attenuation", 'a', true},
    {OptionId::Rate, "rate", 'r', true},
    {OptionId::Bits, "bits", 'b', true},
    {OptionId::Output, "output", 'o', true},
    {OptionId::SeedTime, "seed-time", 0, true},
    {OptionId::Quiet, "quiet", 'q', false},
    {OptionId::ListNotes, "list-notes", 0, false},
    {OptionId::Help, "help", 'h', false},
    {OptionId::Version, "version", 0, false},
};

// One option as the user wrote it: its spelling (for messages) and value.
struct GivenOption {
    const OptionDef* def;
    std::string spelling;
    std::string value;
};

enum class NumberStatus { Ok, Malformed, OutOfRange };

// Drops one leading '+'; false when nothing or a second sign follows it.
bool stripPlus(std::string_view& text)
{
    if (text.empty())
        return false;
    if (text[0] != '+')
        return true;
    text.remove_prefix(1);
    return !text.empty() && text[0] != '+' && text[0] != '-';
}

// A decimal number, the whole text and nothing else; an optional leading '+'.
NumberStatus parseDouble(std::string_view text, double& value)
{
    if (!stripPlus(text))
        return NumberStatus::Malformed;
    double parsed = 0.0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed,
                                        std::chars_format::general);
    if (end != text.data() + text.size())
        return NumberStatus::Malformed;
    if (error == std::errc::result_out_of_range)
        return NumberStatus::OutOfRange;
    if (error != std::errc() || std::isnan(parsed))
        return NumberStatus::Malformed;
    value = parsed;
    return NumberStatus::Ok;
}

// A whole decimal number with an optional sign.
NumberStatus parseInteger(std::string_view text, int64_t& value)
{
    if (!stripPlus(text))
        return NumberStatus::Malformed;
    int64_t parsed = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (end != text.data() + text.size())
        return NumberStatus::Malformed;
    if (error == std::errc::result_out_of_range)
        return NumberStatus::OutOfRange;
    if (error != std::errc())
        return NumberStatus::Malformed;
    value = parsed;
    return NumberStatus::Ok;
}

std::string outOfRange(const GivenOption& given, const std::string& accepted)
{
    return given.spelling + " " + given.value + " is out of range: accepted " + accepted;
}

std::string malformed(const GivenOption& given, const std::string& what,
                      const std::string& accepted)
{
    return given.spelling + " \"" + given.value + "\" is not " + what + ": accepted " + accepted;
}

// Reads a double option into target, checking it against [low, high].
std::string readDouble(const GivenOption& given, double low, double high,
                       const std::string& accepted, double& target)
{
    double value = 0.0;
    switch (parseDouble(given.value, value)) {
    case NumberStatus::Malformed: return malformed(given, "a number", accepted);
    case NumberStatus::OutOfRange: return outOfRange(given, accepted);
    case NumberStatus::Ok: break;
    }
    if (!(value >= low && value <= high))
        return outOfRange(given, accepted);
    target = value;
    return {};
}

std::string readChoice(const GivenOption& given, std::initializer_list<int64_t> choices,
                       const std::string& accepted, int64_t& target)
{
    int64_t value = 0;
    switch (parseInteger(given.value, value)) {
    case NumberStatus::Malformed: return malformed(given, "a whole number", accepted);
    case NumberStatus::OutOfRange: return outOfRange(given, accepted);
    case NumberStatus::Ok: break;
    }
    for (int64_t choice : choices) {
        if (value == choice) {
            target = value;
            return {};
        }
    }
    return given.spelling + " " + given.value + " is not supported: accepted " + accepted;
}

const OptionDef* findLong(std::string_view name)
{
    for (const OptionDef& def : kOptions)
        if (name == def.longName)
            return &def;
    return nullptr;
}

const OptionDef* findShort(char name)
{
    for (const OptionDef& def : kOptions)
        if (def.shortName != 0 && def.shortName == name)
            return &def;
    return nullptr;
}

std::optional<CliSignal> signalFromWord(std::string_view word)
{
    if (word == "sine") return CliSignal::Sine;
    if (word == "sweep") return CliSignal::Sweep;
    if (word == "pink") return CliSignal::Pink;
    if (word == "white") return CliSignal::White;
    return std::nullopt;
}

// Checks every given value and stores it in options; the first fault wins.
std::string applyValues(const std::vector<GivenOption>& given, CliOptions& options)
{
    const bool sine = options.signal == CliSignal::Sine;
    const bool sweep = options.signal == CliSignal::Sweep;
    const GivenOption* frequency = nullptr;
    const GivenOption* note = nullptr;

    for (const GivenOption& g : given) {
        std::string error;
        int64_t whole = 0;
        switch (g.def->id) {
        case OptionId::Frequency:
        case OptionId::Note:
            if (!sine)
                return g.spelling + " applies only to the sine signal";
            (g.def->id == OptionId::Frequency ? frequency : note) = &g;
            break;
        case OptionId::Start:
        case OptionId::End:
            if (!sweep)
                return g.spelling + " applies only to the sweep signal";
            error = readDouble(g, kMinFrequencyHz, kMaxFrequencyHz, "10 to 22050 Hz",
                               g.def->id == OptionId::Start ? options.startFrequency
                                                             : options.endFrequency);
            break;
        case OptionId::Duration:
            error = sine ? readDouble(g, kMinSineSeconds, kMaxSeconds,
                                      "0.01 to 120 seconds for a sine", options.duration)
                         : readDouble(g, kMinSweepNoiseSeconds, kMaxSeconds,
                                      std::string("0.1 to 120 seconds for ") +
                                          (sweep ? "a sweep" : "noise"),
                                      options.duration);
            break;
        case OptionId::Attenuation:
            switch (parseInteger(g.value, whole)) {
            case NumberStatus::Malformed:
                error = malformed(g, "a whole number of decibels", "0 to 90 dB");
                break;
            case NumberStatus::OutOfRange:
                error = outOfRange(g, "0 to 90 dB");
                break;
            case NumberStatus::Ok:
                if (whole < 0 || whole > kMaxAttenuationDb)
                    error = outOfRange(g, "0 to 90 dB");
                else
                    options.attenuation = static_cast<uint32_t>(whole);
                break;
            }
            break;
        case OptionId::Rate:
            error = readChoice(g, {44100, 48000, 96000}, "44100, 48000 or 96000 Hz", whole);
            if (error.empty())
                options.rate = static_cast<uint32_t>(whole);
            break;
        case OptionId::Bits:
            error = readChoice(g, {16, 24, 32}, "16, 24 or 32 bits", whole);
            if (error.empty())
                options.bits = static_cast<int32_t>(whole);
            break;
        case OptionId::Output:
            if (g.value.empty())
                error = g.spelling + " needs a file name";
            else
                options.output = g.value;
            break;
        case OptionId::SeedTime:
            switch (parseInteger(g.value, whole)) {
            case NumberStatus::Malformed:
                error = malformed(g, "a whole number of seconds", "seconds since 1970");
                break;
            case NumberStatus::OutOfRange:
                error = outOfRange(g, "a 64-bit count of seconds since 1970");
                break;
            case NumberStatus::Ok:
                options.seedTime = whole;
                break;
            }
            break;
        case OptionId::Quiet:
            options.quiet = true;
            break;
        case OptionId::ListNotes:
        case OptionId::Help:
        case OptionId::Version:
            break;
        }
        if (!error.empty())
            return error;
    }

    if (frequency && note)
        return "give either " + frequency->spelling + " or " + note->spelling + ", not both";
    if (frequency) {
        std::string error = readDouble(*frequency, kMinFrequencyHz, kMaxFrequencyHz,
                                       "10 to 22050 Hz", options.frequency);
        if (!error.empty())
            return error;
    }
    if (note) {
        options.note = noteIndexFromName(note->value);
        options.noteText = note->value;
        if (!options.note)
            return note->spelling + " \"" + note->value +
                   "\" is not a note name: accepted C0 to B8, such as A4, C#4 or Db4";
        const bool tableWasThere = noteTable() != nullptr;
        if (!createNoteTable())
            return "the note table cannot be created";
        options.frequency = noteTable()[*options.note];
        if (!tableWasThere)
            releaseNoteTable();
    }

    if (sine && !sineIsRendered(options.frequency, options.duration, options.rate)) {
        // Name the duration as the user wrote it; the default is never too short.
        std::string spelling = "--duration";
        std::string value = std::to_string(options.duration);
        for (const GivenOption& g : given) {
            if (g.def->id == OptionId::Duration) {
                spelling = g.spelling;
                value = g.value;
            }
        }
        char text[256];
        std::snprintf(text, sizeof text,
                      " is too short for a %.10g Hz sine at %u Hz: the tone needs at least two "
                      "whole cycles and more than 512 samples, from %.4g seconds on",
                      options.frequency, options.rate,
                      sineMinimumDuration(options.frequency, options.rate));
        return spelling + " " + value + text;
    }
    return {};
}

}  // namespace

// A tone is rendered only when the tone generator's own layout takes it;
// otherwise the file would hold only silence.
bool sineIsRendered(double frequency, double duration, uint32_t rate)
{
    return toneIsRendered(frequency, duration, rate);
}

double sineMinimumDuration(double frequency, uint32_t rate)
{
    double samplesPerCycle = static_cast<double>(rate) / frequency;
    double cycles = 2.0;
    while (std::floor(cycles * samplesPerCycle) <= 512.0)
        cycles += 1.0;
    // The duration from which the cycle count rounds up to that many, raised
    // to the next 0.1 ms so that the value shown is itself long enough.
    double exact = (cycles - 0.5) / frequency;
    return std::ceil(exact * 1e4 - 1e-6) / 1e4;
}

const char* signalName(CliSignal signal)
{
    switch (signal) {
    case CliSignal::Sine: return "sine";
    case CliSignal::Sweep: return "sweep";
    case CliSignal::Pink: return "pink noise";
    case CliSignal::White: return "white noise";
    }
    return "";
}

CliParseResult parseCliArguments(const std::vector<std::string>& args)
{
    CliParseResult result;
    CliOptions& options = result.options;
    std::vector<GivenOption> given;
    std::optional<std::string> signalWord;
    bool listNotes = false;
    bool optionsEnded = false;

    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const OptionDef* def = nullptr;
        std::string spelling;
        std::optional<std::string> inlineValue;

        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
            size_t equals = arg.find('=');
            spelling = arg.substr(0, equals);
            def = findLong(std::string_view(spelling).substr(2));
            if (equals != std::string::npos)
                inlineValue = arg.substr(equals + 1);
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            spelling = arg.substr(0, 2);
            def = findShort(arg[1]);
            if (arg.size() > 2)
                inlineValue = arg.substr(2);  // -d2 and -o/tmp/x.wav
        } else {
            if (signalWord) {
                result.error = "unexpected argument \"" + arg + "\"";
                return result;
            }
            signalWord = arg;
            continue;
        }

        if (!def) {
            result.error = "unknown option " + spelling;
            return result;
        }
        if (def->id == OptionId::Help) {
            options.command = CliCommand::Help;
            return result;
        }
        if (def->id == OptionId::Version) {
            options.command = CliCommand::Version;
            return result;
        }
        if (!def->takesValue && inlineValue) {
            result.error = (def->shortName && spelling.size() == 2)
                               ? "option " + spelling + " takes no value (write options separately)"
                               : "option " + spelling + " takes no value";
            return result;
        }
        std::string value;
        if (def->takesValue) {
            if (inlineValue) {
                value = *inlineValue;
            } else if (i + 1 < args.size()) {
                value = args[++i];  // taken as is, even when it starts with '-'
            } else {
                result.error = "option " + spelling + " needs a value";
                return result;
            }
        }
        if (def->id == OptionId::ListNotes)
            listNotes = true;
        given.push_back({def, spelling, value});
    }

    if (listNotes) {
        if (signalWord || given.size() > 1) {
            result.error = "--list-notes takes no signal and no other options";
            return result;
        }
        options.command = CliCommand::ListNotes;
        return result;
    }
    if (!signalWord) {
        result.error = "no signal given: choose sine, sweep, pink or white";
        return result;
    }
    std::optional<CliSignal> signal = signalFromWord(*signalWord);
    if (!signal) {
        result.error = "unknown signal \"" + *signalWord + "\": choose sine, sweep, pink or white";
        return result;
    }
    options.signal = *signal;
    result.error = applyValues(given, options);
    return result;
}
