// The values given with the options: each read as a number, a choice or a
// note name, checked against what the engine accepts, and stored in the
// options.
#include "option_values.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string_view>
#include <system_error>
#include <type_traits>

#include "engine.h"
#include "note_names.h"
#include "note_table.h"

namespace {

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

// A decimal number (a whole one for an integer type), the whole text and
// nothing else; an optional leading '+'.
template <typename T>
NumberStatus parseNumber(std::string_view text, T& value)
{
    if (!stripPlus(text))
        return NumberStatus::Malformed;
    T parsed{};
    const char* last = text.data() + text.size();
    std::from_chars_result read;
    if constexpr (std::is_floating_point_v<T>)
        read = std::from_chars(text.data(), last, parsed, std::chars_format::general);
    else
        read = std::from_chars(text.data(), last, parsed);
    if (read.ptr != last)
        return NumberStatus::Malformed;
    if (read.ec == std::errc::result_out_of_range)
        return NumberStatus::OutOfRange;
    if (read.ec != std::errc() || parsed != parsed)  // NaN is no number
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

// Reads a number option into target, checking it against [low, high].
template <typename T>
std::string readNumber(const GivenOption& given, T low, T high, const char* what,
                       const std::string& accepted, T& target)
{
    T value{};
    switch (parseNumber(given.value, value)) {
    case NumberStatus::Malformed: return malformed(given, what, accepted);
    case NumberStatus::OutOfRange: return outOfRange(given, accepted);
    case NumberStatus::Ok: break;
    }
    if (!(value >= low && value <= high))
        return outOfRange(given, accepted);
    target = value;
    return {};
}

std::string readDouble(const GivenOption& given, double low, double high,
                       const std::string& accepted, double& target)
{
    return readNumber(given, low, high, "a number", accepted, target);
}

std::string readChoice(const GivenOption& given, std::initializer_list<int64_t> choices,
                       const std::string& accepted, int64_t& target)
{
    std::string error = readNumber<int64_t>(given, INT64_MIN, INT64_MAX, "a whole number", accepted, target);
    if (error.empty() && std::find(choices.begin(), choices.end(), target) == choices.end())
        error = given.spelling + " " + given.value + " is not supported: accepted " + accepted;
    return error;
}

// Checks one given value and stores it in options; answers its fault, empty
// when there is none.
std::string applyValue(const GivenOption& g, CliOptions& options)
{
    const bool sine = options.signal == CliSignal::Sine;
    const bool sweep = options.signal == CliSignal::Sweep;
    std::string error;
    int64_t whole = 0;
    switch (g.id) {
    case kFrequency:
    case kNote:
        if (!sine)
            return g.spelling + " applies only to the sine signal";
        if (g.id == kFrequency) {
            error = readDouble(g, kMinFrequencyHz, kMaxFrequencyHz, "10 to 22050 Hz", options.frequency);
        } else {
            options.note = noteIndexFromName(g.value);
            options.noteText = g.value;
            if (!options.note)
                error = g.spelling + " \"" + g.value +
                        "\" is not a note name: accepted C0 to B8, such as A4, C#4 or Db4";
        }
        break;
    case kStart:
    case kEnd:
        if (!sweep)
            return g.spelling + " applies only to the sweep signal";
        error = readDouble(g, kMinFrequencyHz, kMaxFrequencyHz, "10 to 22050 Hz",
                           g.id == kStart ? options.startFrequency : options.endFrequency);
        break;
    case kDuration:
        error = sine ? readDouble(g, kMinSineSeconds, kMaxSeconds,
                                  "0.01 to 120 seconds for a sine", options.duration)
                     : readDouble(g, kMinSweepNoiseSeconds, kMaxSeconds,
                                  std::string("0.1 to 120 seconds for ") +
                                      (sweep ? "a sweep" : "noise"),
                                  options.duration);
        break;
    case kAttenuation:
        error = readNumber<int64_t>(g, 0, kMaxAttenuationDb, "a whole number of decibels", "0 to 90 dB", whole);
        if (error.empty())
            options.attenuation = static_cast<uint32_t>(whole);
        break;
    case kRate:
        error = readChoice(g, {44100, 48000, 96000}, "44100, 48000 or 96000 Hz", whole);
        if (error.empty())
            options.rate = static_cast<uint32_t>(whole);
        break;
    case kBits:
        error = readChoice(g, {16, 24, 32}, "16, 24 or 32 bits", whole);
        if (error.empty())
            options.bits = static_cast<int32_t>(whole);
        break;
    case kOutput:
        if (g.value.empty())
            error = g.spelling + " needs a file name";
        else
            options.output = g.value;
        break;
    case kSeedTime:
        error = readNumber<int64_t>(g, INT64_MIN, INT64_MAX, "a whole number of seconds",
                          "whole seconds since 1970, within 64 bits", whole);
        if (error.empty())
            options.seedTime = whole;
        break;
    case kQuiet:
        options.quiet = true;
        break;
    case kJson:
        options.json = true;
        break;
    }
    return error;
}

}  // namespace

std::string applyValues(const std::vector<GivenOption>& given, CliOptions& options)
{
    const bool sine = options.signal == CliSignal::Sine;
    const GivenOption* frequency = nullptr;
    const GivenOption* note = nullptr;
    const GivenOption* duration = nullptr;

    for (const GivenOption& g : given) {
        if (std::string error = applyValue(g, options); !error.empty())
            return error;
        if (g.id == kFrequency)
            frequency = &g;
        else if (g.id == kNote)
            note = &g;
        else if (g.id == kDuration)
            duration = &g;
    }

    if (frequency && note)
        return "give either " + frequency->spelling + " or " + note->spelling + ", not both";
    if (note) {
        const bool tableWasThere = noteTable() != nullptr;
        if (!createNoteTable())
            return "the note table cannot be created";
        options.frequency = noteTable()[*options.note];
        if (!tableWasThere)
            releaseNoteTable();
    }

    if (sine && !sineIsRendered(options.frequency, options.duration, options.rate)) {
        char text[256];
        std::snprintf(text, sizeof text,
                      " is too short for a %.10g Hz sine at %u Hz: the tone needs at least two "
                      "whole cycles and more than 512 samples, from %s seconds on",
                      options.frequency, options.rate,
                      sineMinimumDuration(options.frequency, options.rate).c_str());
        // The default duration is never too short, so one was given.
        return (duration ? duration->spelling + " " + duration->value : "the duration") + text;
    }
    return {};
}

// A tone is rendered only when the tone generator's own layout takes it;
// otherwise the file would hold only silence.
bool sineIsRendered(double frequency, double duration, uint32_t rate)
{
    return toneIsRendered(frequency, duration, rate);
}

std::string sineMinimumDuration(double frequency, uint32_t rate)
{
    // The tone's own plan decides: the first duration, in tenths of a
    // millisecond and read from its text as --duration reads it, that gives a
    // tone. The longest sine needed is 0.15 s (two cycles of 10 Hz), so the
    // search is short.
    const auto maxTenths = static_cast<int64_t>(kMaxSeconds * 1e4);
    std::string text;
    for (int64_t tenths = 1; tenths <= maxTenths; ++tenths) {
        char fraction[8];
        std::snprintf(fraction, sizeof fraction, "%04d", static_cast<int>(tenths % 10000));
        text = std::to_string(tenths / 10000) + "." + fraction;
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.')
            text.pop_back();
        double duration = 0.0;
        if (parseNumber(text, duration) == NumberStatus::Ok && sineIsRendered(frequency, duration, rate))
            break;
    }
    return text;
}
