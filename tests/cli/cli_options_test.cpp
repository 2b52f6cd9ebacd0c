#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "cli_options.h"
#include "cli_run.h"
#include "failing_allocation.h"
#include "note_names.h"
#include "test_files.h"

namespace {

CliParseResult parse(std::vector<std::string> args) { return parseCliArguments(args); }

TEST(CliOptions, SpellingsAndInclusiveEdges)
{
    CliParseResult r = parse({"-d", "2", "--attenuation=-0", "white", "-r96000", "--bits", "24", "-o", "-x.wav",
                              "--seed-time", "-5", "-q"});
    ASSERT_EQ(r.error, "");
    const CliOptions& o = r.options;
    EXPECT_EQ(std::tuple(o.signal == CliSignal::White, o.duration, o.attenuation, o.rate, o.bits, o.quiet),
              std::tuple(true, 2.0, 0u, 96000u, 24, true));
    EXPECT_EQ(o.output, "-x.wav");  // a value is taken even when it starts with '-'
    EXPECT_EQ(o.seedTime, -5);
    EXPECT_EQ(parse({"sine", "--frequency", "1e4"}).options.frequency, 10000.0);
    // Unambiguous prefixes of long options and bundled short flags.
    r = parse({"sine", "--freq=1000", "-qd2", "--out", "f.wav"});
    EXPECT_EQ(std::tuple(r.error, r.options.frequency, r.options.quiet, r.options.duration, r.options.output),
              std::tuple(std::string(), 1000.0, true, 2.0, std::string("f.wav")));
    EXPECT_EQ(parse({"sine", "--help", "--bogus"}).options.command, CliCommand::Help);
    EXPECT_EQ(parse({"--list-notes"}).options.command, CliCommand::ListNotes);
    for (const std::vector<std::string>& edge :
         {std::vector<std::string>{"sine", "--frequency", "10", "-d", "120"},
          {"sine", "--frequency", "22050", "-r", "96000", "-d", "0.01"},
          {"sweep", "--start", "22050", "--end", "10", "-d", "0.1", "-a", "90"}, {"pink", "-d", "+0.1"}})
        EXPECT_EQ(parse(edge).error, "") << edge[1];
}

TEST(CliOptions, RefusalsNameOptionValueAndRange)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"sine", "--frequency", "9.999"}, "--frequency 9.999 is out of range: accepted 10 to 22050 Hz"},
        {{"white", "-d", "0.01"}, "-d 0.01 is out of range: accepted 0.1 to 120 seconds for noise"},
        {{"sweep", "--duration", "120.5"}, "--duration 120.5 is out of range: accepted 0.1 to 120 seconds for a sweep"},
        {{"sine", "-d", "1e999"}, "-d 1e999 is out of range: accepted 0.01 to 120 seconds for a sine"},
        {{"pink", "-a", "91"}, "-a 91 is out of range: accepted 0 to 90 dB"},
        {{"pink", "-r", "22050"}, "-r 22050 is not supported: accepted 44100, 48000 or 96000 Hz"},
        {{"pink", "--bits", "8"}, "--bits 8 is not supported: accepted 16, 24 or 32 bits"},
        {{"sine", "--frequency", "440Hz"}, "--frequency \"440Hz\" is not a number: accepted 10 to 22050 Hz"},
        {{"pink", "-a", "3.5"}, "-a \"3.5\" is not a whole number of decibels: accepted 0 to 90 dB"},
        {{"sine", "--note", "H2"}, "--note \"H2\" is not a note name: accepted C0 to B8, such as A4, C#4 or Db4"},
        {{"sine", "-d", "0.01"}, "-d 0.01 is too short for a 440 Hz sine at 44100 Hz: the tone needs at least "
                                 "two whole cycles and more than 512 samples, from 0.0125 seconds on"},
        {{"pink", "-o", ""}, "-o needs a file name"},
        {{"pink", "--frequency", "440"}, "--frequency applies only to the sine signal"},
        {{"sine", "--note", "A4", "--frequency", "440"}, "give either --frequency or --note, not both"},
        {{"sine", "--duration"}, "option --duration needs a value"},
        {{"sine", "--quiet=yes"}, "option --quiet takes no value"},
        {{"sine", "--volume", "3"}, "unknown option --volume"},
        {{"sine", "--freqency", "3"}, "unknown option --freqency; did you mean --frequency?"},
        {{"sine", "--s", "3"}, "option --s is ambiguous: --start --seed-time"},
        {{"sine", "-qx"}, "unknown option -x"},
        // Every value is checked, not only the one that counts.
        {{"sine", "--frequency", "99999", "--freq", "440"}, "--frequency 99999 is out of range: accepted 10 to 22050 Hz"},
        {{"saw"}, "unknown signal \"saw\": choose sine, sweep, pink or white"},
        {{}, "no signal given: choose sine, sweep, pink or white"},
        {{"sine", "--", "-o"}, "unexpected argument \"-o\""},
        {{"--list-notes", "sine"}, "--list-notes takes no signal and no other options"},
    };
    for (const auto& [args, message] : cases)
        EXPECT_EQ(parse(args).error, message);
    std::ostringstream out, err;
    EXPECT_EQ(runCli({"sine", "--frequency", "5"}, out, err, false), kExitUsage);
    EXPECT_EQ(err.str(), "veltrane-cli: --frequency 5 is out of range: accepted 10 to 22050 Hz\n"
                         "Try 'veltrane-cli --help' for more information.\n");
}

TEST(CliOptions, NoteNamesAndShortestSine)
{
    for (const auto& [name, index] : {std::pair{"C0", 0}, {"a4", 57}, {"C#4", 49}, {"db4", 49}, {"DB4", 49},
                                      {"Bb8", 106}, {"B8", 107}})
        EXPECT_EQ(noteIndexFromName(name), index) << name;
    for (const char* bad : {"", "A", "H4", "A9", "A-1", "Cb4", "B#3", "E#2", "Fb2", "A44", "A x"})
        EXPECT_FALSE(noteIndexFromName(bad)) << bad;
    EXPECT_EQ(noteDisplayName("db4"), "Db4");
    EXPECT_EQ(parse({"sine", "--note", "C4"}).options.frequency, 261.6255653005986);
    // The tone needs two whole cycles spanning more than one block: 4 cycles
    // in 400 samples are too few samples, in 872 enough; 1 cycle is too few,
    // and 1.5 cycles round up to 2.
    for (const auto& [frequency, duration, rate, rendered] :
         {std::tuple{440.0, 0.01, 44100u, false}, {440.0, 0.01, 96000u, true}, {10.0, 0.149, 96000u, false},
          {10.0, 0.15, 44100u, true}, {440.0, 0.0125, 44100u, true}, {440.0, 0.0124, 44100u, false}})
        EXPECT_EQ(sineIsRendered(frequency, duration, rate), rendered) << frequency << " Hz " << duration << " s";
    // The refusal names the shortest duration the tone's plan takes: that
    // text, typed back, renders, and a tenth of a millisecond less does not.
    for (const auto& [frequency, rate, shortest] :
         {std::tuple{"440", "44100", "0.0125"}, {"16000", "48000", "0.0108"}, {"14700", "44100", ""},
          {"12345.678", "48000", ""}, {"17777", "48000", ""}, {"22050", "44100", ""}, {"20000", "48000", ""},
          {"10", "96000", "0.15"}, {"5000", "44100", ""}}) {
        const std::string error = parse({"sine", "--frequency", frequency, "-r", rate, "-d", "0.01"}).error;
        const size_t from = error.rfind("from "), to = error.find(" seconds on");
        ASSERT_NE(to, std::string::npos) << frequency << ": " << error;
        const std::string hint = error.substr(from + 5, to - from - 5);
        if (*shortest) {
            EXPECT_EQ(hint, shortest) << frequency;
        }
        EXPECT_EQ(parse({"sine", "--frequency", frequency, "-r", rate, "-d", hint}).error, "") << frequency;
        char below[32];
        std::snprintf(below, sizeof below, "%.4f", std::stod(hint) - 0.0001);
        EXPECT_FALSE(sineIsRendered(std::stod(frequency), std::stod(below), std::stoul(rate))) << frequency;
    }
}

// The one render this program makes in its own process: a signal that
// cannot have its memory is a failure to write, with the reason, and no file.
TEST(CliOptions, NoMemoryForTheSignalWritesNothing)
{
    ScratchDir dir;
    const std::string path = dir.file("sweep.wav");
    failingArraySize = 512 * sizeof(double);  // the sweep's fade window
    std::ostringstream out, err;
    EXPECT_EQ(runCli({"sweep", "-o", path}, out, err, false), kExitCannotWrite);
    EXPECT_NE(err.str().find("Cannot allocate memory"), std::string::npos) << err.str();
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
