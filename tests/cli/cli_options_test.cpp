#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cli_options.h"
#include "cli_run.h"
#include "note_names.h"

namespace {

CliParseResult parse(std::vector<std::string> args)
{
    return parseCliArguments(args);
}

TEST(CliOptions, Spellings)
{
    CliParseResult r = parse({"-d", "2", "--attenuation=-0", "white", "-r96000", "--bits", "24",
                              "-o", "-x.wav", "--seed-time", "-5", "-q"});
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.options.signal, CliSignal::White);
    EXPECT_EQ(r.options.duration, 2.0);
    EXPECT_EQ(r.options.attenuation, 0u);
    EXPECT_EQ(r.options.rate, 96000u);
    EXPECT_EQ(r.options.bits, 24);
    EXPECT_EQ(r.options.output, "-x.wav");  // a value is taken even when it starts with '-'
    EXPECT_EQ(r.options.seedTime, -5);
    EXPECT_TRUE(r.options.quiet);
    EXPECT_EQ(parse({"sine", "--frequency", "1e4"}).options.frequency, 10000.0);
    EXPECT_EQ(parse({"sine", "--help", "--bogus"}).options.command, CliCommand::Help);
    EXPECT_EQ(parse({"--list-notes"}).options.command, CliCommand::ListNotes);
}

TEST(CliOptions, RangeEdgesAreInclusive)
{
    EXPECT_EQ(parse({"sine", "--frequency", "10", "-d", "120"}).error, "");
    EXPECT_EQ(parse({"sine", "--frequency", "22050", "-r", "96000", "-d", "0.01"}).error, "");
    EXPECT_EQ(parse({"sweep", "--start", "22050", "--end", "10", "-d", "0.1", "-a", "90"}).error, "");
    EXPECT_EQ(parse({"pink", "-d", "+0.1"}).error, "");
}

TEST(CliOptions, RefusalsNameOptionValueAndRange)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"sine", "--frequency", "9.999"}, "--frequency 9.999 is out of range: accepted 10 to 22050 Hz"},
        {{"sweep", "--end", "22050.001"}, "--end 22050.001 is out of range: accepted 10 to 22050 Hz"},
        {{"white", "-d", "0.01"}, "-d 0.01 is out of range: accepted 0.1 to 120 seconds for noise"},
        {{"sweep", "--duration", "120.5"},
         "--duration 120.5 is out of range: accepted 0.1 to 120 seconds for a sweep"},
        {{"sine", "-d", "1e999"}, "-d 1e999 is out of range: accepted 0.01 to 120 seconds for a sine"},
        {{"pink", "-a", "91"}, "-a 91 is out of range: accepted 0 to 90 dB"},
        {{"pink", "-a", "-1"}, "-a -1 is out of range: accepted 0 to 90 dB"},
        {{"pink", "-a", "4294967293"}, "-a 4294967293 is out of range: accepted 0 to 90 dB"},
        {{"pink", "-r", "22050"}, "-r 22050 is not supported: accepted 44100, 48000 or 96000 Hz"},
        {{"pink", "--bits", "8"}, "--bits 8 is not supported: accepted 16, 24 or 32 bits"},
        {{"sine", "--frequency", "440Hz"}, "--frequency \"440Hz\" is not a number: accepted 10 to 22050 Hz"},
        {{"pink", "-a", "3.5"}, "-a \"3.5\" is not a whole number of decibels: accepted 0 to 90 dB"},
        {{"pink", "-o", ""}, "-o needs a file name"},
        {{"pink", "--frequency", "440"}, "--frequency applies only to the sine signal"},
        {{"sine", "--start", "440"}, "--start applies only to the sweep signal"},
        {{"sine", "--note", "A4", "--frequency", "440"}, "give either --frequency or --note, not both"},
        {{"sine", "--duration"}, "option --duration needs a value"},
        {{"sine", "--quiet=yes"}, "option --quiet takes no value"},
        {{"sine", "--volume", "3"}, "unknown option --volume"},
        {{"saw"}, "unknown signal \"saw\": choose sine, sweep, pink or white"},
        {{}, "no signal given: choose sine, sweep, pink or white"},
        {{"sine", "--", "-o"}, "unexpected argument \"-o\""},
        {{"--list-notes", "sine"}, "--list-notes takes no signal and no other options"},
    };
    for (const auto& [args, message] : cases)
        EXPECT_EQ(parse(args).error, message);
    for (const char* bad : {"", "nan", "0x20", " 1", "+-1", "1,5"})
        EXPECT_NE(parse({"pink", "-d", bad}).error.find("is not a number"), std::string::npos) << bad;

    std::ostringstream out, err;
    EXPECT_EQ(runCli({"sine", "--frequency", "5"}, out, err, false), kExitUsage);
    EXPECT_EQ(err.str(), "veltrane-cli: --frequency 5 is out of range: accepted 10 to 22050 Hz\n"
                         "Try 'veltrane-cli --help' for more information.\n");
}

TEST(CliOptions, NoteNames)
{
    const std::vector<std::pair<const char*, int>> names = {
        {"C0", 0}, {"a4", 57}, {"C#4", 49}, {"db4", 49}, {"DB4", 49}, {"Bb8", 106}, {"B8", 107}};
    for (const auto& [name, index] : names)
        EXPECT_EQ(noteIndexFromName(name), index) << name;
    for (const char* bad : {"", "A", "H4", "A9", "A-1", "Cb4", "B#3", "E#2", "Fb2", "A44", "A x"})
        EXPECT_FALSE(noteIndexFromName(bad)) << bad;
    EXPECT_EQ(noteDisplayName("db4"), "Db4");

    EXPECT_EQ(parse({"sine", "--note", "a4"}).options.frequency, 440.0);
    EXPECT_EQ(parse({"sine", "--note", "C4"}).options.frequency, 261.6255653005986);
    EXPECT_EQ(parse({"sine", "--note", "H2"}).error,
              "--note \"H2\" is not a note name: accepted C0 to B8, such as A4, C#4 or Db4");
}

TEST(CliOptions, SineTooShortToRender)
{
    // The tone generator needs two whole cycles spanning more than one block.
    EXPECT_FALSE(sineIsRendered(440.0, 0.01, 44100));  // 4 cycles, 400 samples
    EXPECT_TRUE(sineIsRendered(440.0, 0.01, 96000));   // 4 cycles, 872 samples
    EXPECT_FALSE(sineIsRendered(10.0, 0.149, 96000));  // 1 cycle
    EXPECT_TRUE(sineIsRendered(10.0, 0.15, 44100));    // rounds up to 2 cycles
    EXPECT_EQ(sineMinimumDuration(440.0, 44100), 0.0125);
    EXPECT_TRUE(sineIsRendered(440.0, 0.0125, 44100));
    EXPECT_FALSE(sineIsRendered(440.0, 0.0124, 44100));

    EXPECT_EQ(parse({"sine", "-d", "0.01"}).error,
              "-d 0.01 is too short for a 440 Hz sine at 44100 Hz: the tone needs at least two "
              "whole cycles and more than 512 samples, from 0.0125 seconds on");
}

}  // namespace
