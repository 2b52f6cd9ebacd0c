#include "cli_options.h"

#include <getopt.h>
#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <system_error>
#include <type_traits>

#include "note_names.h"
#include "note_table.h"

namespace {

// Options without a short form get ids above every character.
enum OptionId : int {
    kFrequency = 256, kNote, kStart, kEnd, kSeedTime, kListNotes, kVersion,
    kDuration = 'd', kAttenuation = 'a', kRate = 'r', kBits = 'b', kOutput = 'o', kQuiet = 'q', kHelp = 'h'
};

constexpr option kLongOptions[] = {
    {"frequency", required_argument, nullptr, kFrequency},
    {"note", required_argument, nullptr, kNote},
    {"start", required_argument, nullptr, kStart},
    {"end", required_argument, nullptr, kEnd},
    {"duration", required_argument, nullptr, kDuration},
    {"attenuation", required_argument, nullptr, kAttenuation},
    {"rate", required_argument, nullptr, kRate},
    {"bits", required_argument, nullptr, kBits},
    {"output", required_argument, nullptr, kOutput},
    {"seed-time", required_argument, nullptr, kSeedTime},
    {"quiet", no_argument, nullptr, kQuiet},
    {"list-notes", no_argument, nullptr, kListNotes},
    {"help", no_argument, nullptr, kHelp},
    {"version", no_argument, nullptr, kVersion},
    {nullptr, 0, nullptr, 0},
};
// '-': words are handed back in their place, whatever POSIXLY_CORRECT says;
// ':': a missing value is told apart from an unknown option.
constexpr char kShortOptions[] = "-:d:a:r:b:o:qh";

// One option as given: its name (for messages) and value.
struct GivenOption {
    int id;
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

// The option's name as messages give it: its long name, or its short form
// when that is what was typed.
std::string spellingOf(int id, bool typedShort)
{
    if (typedShort && id < 256)
        return std::string("-") + static_cast<char>(id);
    for (const option& o : kLongOptions)
        if (o.name && o.val == id)
            return std::string("--") + o.name;
    return {};
}

// Edits (insertions, deletions, substitutions, swaps of neighbours) between
// a and b, ignoring letter case.
size_t editDistance(std::string_view a, std::string_view b)
{
    const auto same = [](char x, char y) { return std::tolower(static_cast<unsigned char>(x)) ==
                                                  std::tolower(static_cast<unsigned char>(y)); };
    std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i)
        for (size_t j = 0; j <= b.size(); ++j) {
            d[i][j] = i == 0 || j == 0 ? i + j
                      : std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + !same(a[i - 1], b[j - 1])});
            if (i > 1 && j > 1 && same(a[i - 1], b[j - 2]) && same(a[i - 2], b[j - 1]))
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    return d[a.size()][b.size()];
}

// The message for a long option that names none or several: the candidates
// of an ambiguous prefix, or the nearest name for a near miss.
std::string unknownLongOption(std::string_view arg)
{
    const std::string_view name = arg.substr(2, arg.find('=') - 2);
    std::string prefixed;
    int matches = 0;
    const char* nearest = nullptr;
    size_t nearestDistance = SIZE_MAX;
    for (const option* o = kLongOptions; o->name; ++o) {
        if (!name.empty() && std::string_view(o->name).starts_with(name)) {
            prefixed += std::string(" --") + o->name;
            ++matches;
        }
        const size_t distance = editDistance(name, o->name);
        if (distance <= (std::strlen(o->name) + 2) / 4 && distance < nearestDistance) {
            nearest = o->name;
            nearestDistance = distance;
        }
    }
    const std::string given = "--" + std::string(name);
    if (matches > 1)
        return "option " + given + " is ambiguous:" + prefixed;
    return "unknown option " + given + (nearest ? "; did you mean --" + std::string(nearest) + "?" : "");
}

std::optional<CliSignal> signalFromWord(std::string_view word)
{
    const char* words[] = {"sine", "sweep", "pink", "white"};  // in CliSignal's order
    for (int i = 0; i < 4; ++i)
        if (word == words[i])
            return static_cast<CliSignal>(i);
    return std::nullopt;
}

// Checks every given value, in order, and stores it in options; a later
// value replaces an earlier one, and the first fault wins.
std::string applyValues(const std::vector<GivenOption>& given, CliOptions& options)
{
    const bool sine = options.signal == CliSignal::Sine;
    const bool sweep = options.signal == CliSignal::Sweep;
    const GivenOption* frequency = nullptr;
    const GivenOption* note = nullptr;
    const GivenOption* duration = nullptr;

    for (const GivenOption& g : given) {
        std::string error;
        int64_t whole = 0;
        switch (g.id) {
        case kFrequency:
        case kNote:
            if (!sine)
                return g.spelling + " applies only to the sine signal";
            if (g.id == kFrequency) {
                frequency = &g;
                error = readDouble(g, kMinFrequencyHz, kMaxFrequencyHz, "10 to 22050 Hz", options.frequency);
            } else {
                note = &g;
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
            duration = &g;
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
        }
        if (!error.empty())
            return error;
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
                      "whole cycles and more than 512 samples, from %.4g seconds on",
                      options.frequency, options.rate,
                      sineMinimumDuration(options.frequency, options.rate));
        // The default duration is never too short, so one was given.
        return (duration ? duration->spelling + " " + duration->value : "the duration") + text;
    }
    return {};
}

}  // namespace

// A tone is rendered only when its length rounds to at least two whole
// cycles and those cycles span more than one 512-sample block; otherwise the
// tone generator produces nothing and the file would hold only silence.
bool sineIsRendered(double frequency, double duration, uint32_t rate)
{
    double whole = 0.0;
    double fraction = std::modf(frequency * duration, &whole);
    double cycles = fraction >= 0.5 ? whole + 1.0 : whole;
    if (cycles < 2.0)
        return false;
    double samples = cycles * (static_cast<double>(rate) / frequency);
    return std::floor(samples) > 512.0;
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

std::string extensionWarning(const std::string& path)
{
    std::string lower = path;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    struct stat target {};
    if (path == "-" || lower.ends_with(".wav") || lower.ends_with(".wave") ||
        (stat(path.c_str(), &target) == 0 && !S_ISREG(target.st_mode)))
        return {};
    return "\"" + path + "\" does not end in .wav; it is written as a WAVE file all the same";
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
    // getopt_long takes a writable argv; the program name stands first.
    std::vector<std::string> words(1, "veltrane-cli");
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    const int argc = static_cast<int>(words.size());

    std::vector<GivenOption> given;
    std::vector<std::string> operands;
    bool listNotes = false;
    opterr = 0;
    optind = 0;  // a fresh scan on every call
    for (;;) {
        int index = -1;
        const int id = getopt_long(argc, argv.data(), kShortOptions, kLongOptions, &index);
        if (id == -1)
            break;
        // Where getopt_long has just stepped past a whole word, that word.
        const std::string_view word = optind > 0 ? argv[optind - 1] : "";
        const bool typedLong = word.starts_with("--");
        switch (id) {
        case 1:
            operands.emplace_back(optarg);
            continue;
        case ':':
            result.error = "option " + spellingOf(optopt, !typedLong) + " needs a value";
            return result;
        case '?':
            if (optopt == 0)
                result.error = unknownLongOption(word);
            else if (optopt >= 256 || std::strchr("qh", optopt))
                result.error = "option " + spellingOf(optopt, false) + " takes no value";
            else
                result.error = "unknown option -" + std::string(1, static_cast<char>(optopt));
            return result;
        case kHelp:
            options.command = CliCommand::Help;
            return result;
        case kVersion:
            options.command = CliCommand::Version;
            return result;
        case kListNotes:
            listNotes = true;
            break;
        }
        given.push_back({id, spellingOf(id, index < 0), optarg ? optarg : ""});
    }
    operands.insert(operands.end(), argv.begin() + optind, argv.begin() + argc);

    if (listNotes) {
        if (!operands.empty() || given.size() > 1) {
            result.error = "--list-notes takes no signal and no other options";
            return result;
        }
        options.command = CliCommand::ListNotes;
        return result;
    }
    if (operands.empty()) {
        result.error = "no signal given: choose sine, sweep, pink or white";
        return result;
    }
    if (operands.size() > 1) {
        result.error = "unexpected argument \"" + operands[1] + "\"";
        return result;
    }
    std::optional<CliSignal> signal = signalFromWord(operands[0]);
    if (!signal) {
        result.error = "unknown signal \"" + operands[0] + "\": choose sine, sweep, pink or white";
        return result;
    }
    options.signal = *signal;
    result.error = applyValues(given, options);
    return result;
}
