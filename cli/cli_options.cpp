// The command line's words: the option table getopt_long reads, the signal
// word, and the messages for options that name nothing.
#include "cli_options.h"

#include <getopt.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <utility>

#include "file_io.h"
#include "option_values.h"

namespace {

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
    const std::pair<std::string_view, CliSignal> words[] = {
        {"sine", CliSignal::Sine}, {"sweep", CliSignal::Sweep}, {"pink", CliSignal::Pink}, {"white", CliSignal::White}};
    for (const auto& [name, signal] : words)
        if (word == name)
            return signal;
    return std::nullopt;
}

// What the words that are no options ask for: the signal to render, or,
// with --list-notes (which takes nothing else), the note list.
std::string applyOperands(const std::vector<std::string>& operands, bool listNotes, size_t optionCount,
                          CliOptions& options)
{
    if (listNotes) {
        if (!operands.empty() || optionCount > 1)
            return "--list-notes takes no signal and no other options";
        options.command = CliCommand::ListNotes;
        return {};
    }
    if (operands.empty())
        return "no signal given: choose sine, sweep, pink or white";
    if (operands.size() > 1)
        return "unexpected argument \"" + operands[1] + "\"";
    std::optional<CliSignal> signal = signalFromWord(operands[0]);
    if (!signal)
        return "unknown signal \"" + operands[0] + "\": choose sine, sweep, pink or white";
    options.signal = *signal;
    return {};
}

}  // namespace

std::string extensionWarning(const std::string& path)
{
    std::string lower = path;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    // Something other than a regular file (a device, a FIFO) is no file
    // name to warn about.
    std::error_code missing;
    const auto type = std::filesystem::status(platform::pathFromUtf8(path), missing).type();
    if (path == "-" || lower.ends_with(".wav") || lower.ends_with(".wave") ||
        (!missing && type != std::filesystem::file_type::regular))
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

namespace {

bool takesNoValue(int id)
{
    for (const option* o = kLongOptions; o->name; ++o) {
        if (o->val == id)
            return o->has_arg == no_argument;
    }
    return false;
}

}  // namespace

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
            // An option that takes no value, given one (--quiet=yes): glibc
            // answers '?' (below), the getopt_long of MinGW-w64 ':', having
            // stepped back from the word.
            result.error = takesNoValue(optopt) ? "option " + spellingOf(optopt, false) + " takes no value"
                                                : "option " + spellingOf(optopt, !typedLong) + " needs a value";
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

    result.error = applyOperands(operands, listNotes, given.size(), options);
    if (result.error.empty() && options.command == CliCommand::Render)
        result.error = applyValues(given, options);
    return result;
}
