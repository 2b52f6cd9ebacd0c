#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli_options.h"
#include "cli_run.h"
#include "note_names.h"

namespace {

CliParseResult parse(std::vector<std::string> args)
{
    return parseCliArguments(args);
}

// Runs a request that stops before the engine and answers its message.
std::string refusal(std::vector<std::string> args)
{
    std::ostringstream out, err;
    EXPECT_EQ(runCli(args, out, err, false), kExitUsage);
    EXPECT_EQ(out.str(), "");
    return err.str();
}

TEST(CliOptions, DefaultsAndSpellings)
{
    CliParseResult r = parse({"sweep"});
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.options.signal, CliSignal::Sweep);
    EXPECT_EQ(r.options.startFrequency, 65.406391);
    EXPECT_EQ(r.options.endFrequency, 4186.009045);
    EXPECT_EQ(r.options.duration, 0.5);
    EXPECT_EQ(r.options.attenuation, 3u);
    EXPECT_EQ(r.options.rate, 44100u);
    EXPECT_EQ(r.options.bits, 16);
    EXPECT_EQ(r.options.output, "");
    EXPECT_FALSE(r.options.seedTime);

    r = parse({"-d", "2", "--attenuation=-0", "white", "-r96000", "--bits", "24", "-o", "-x.wav",
               "--seed-time", "-5", "-q"});
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.options.signal, CliSignal::White);
    EXPECT_EQ(r.options.duration, 2.0);
    EXPECT_EQ(r.options.attenuation, 0u);
    EXPECT_EQ(r.options.rate, 96000u);
    EXPECT_EQ(r.options.bits, 24);
    EXPECT_EQ(r.options.output, "-x.wav");
    EXPECT_EQ(r.options.seedTime, -5);
    EXPECT_TRUE(r.options.quiet);

    EXPECT_EQ(parse({"sine", "--help", "--bogus"}).options.command, CliCommand::Help);
    EXPECT_EQ(parse({"--version"}).options.command, CliCommand::Version);
    EXPECT_EQ(parse({"--list-notes"}).options.command, CliCommand::ListNotes);
    EXPECT_EQ(parse({"sine", "--", "-o"}).error, "unexpected argument \"-o\"");
}

TEST(CliOptions, RangeEdgesAreInclusive)
{
    EXPECT_EQ(parse({"sine", "--frequency", "10", "-d", "120"}).error, "");
    EXPECT_EQ(parse({"sine", "--frequency", "22050", "-r", "96000", "-d", "0.01"}).error, "");
    EXPECT_EQ(parse({"sweep", "--start", "22050", "--end", "10", "-d", "0.1", "-a", "90"}).error, "");
    EXPECT_EQ(parse({"pink", "-d", "+0.1"}).error, "");
    EXPECT_EQ(parse({"sine", "--frequency", "1e4"}).options.frequency, 10000.0);

    EXPECT_EQ(parse({"sine", "--frequency", "9.999"}).error,
              "--frequency 9.999 is out of range: accepted 10 to 22050 Hz");
    EXPECT_EQ(parse({"sweep", "--end", "22050.001"}).error,
              "--end 22050.001 is out of range: accepted 10 to 22050 Hz");
    EXPECT_EQ(parse({"white", "-d", "0.01"}).error,
              "-d 0.01 is out of range: accepted 0.1 to 120 seconds for noise");
    EXPECT_EQ(parse({"sweep", "--duration", "120.5"}).error,
              "--duration 120.5 is out of range: accepted 0.1 to 120 seconds for a sweep");
    EXPECT_EQ(parse({"sine", "-d", "1e999"}).error,
              "-d 1e999 is out of range: accepted 0.01 to 120 seconds for a sine");
    EXPECT_EQ(parse({"pink", "-a", "91"}).error, "-a 91 is out of range: accepted 0 to 90 dB");
    EXPECT_EQ(parse({"pink", "-a", "-1"}).error, "-a -1 is out of range: accepted 0 to 90 dB");
    EXPECT_EQ(parse({"pink", "-a", "4294967293"}).error,
              "-a 4294967293 is out of range: accepted 0 to 90 dB");
    EXPECT_EQ(parse({"pink", "-r", "22050"}).error,
              "-r 22050 is not supported: accepted 44100, 48000 or 96000 Hz");
    EXPECT_EQ(parse({"pink", "--bits", "8"}).error,
              "--bits 8 is not supported: accepted 16, 24 or 32 bits");
}

TEST(CliOptions, MalformedAndMisplaced)
{
    EXPECT_EQ(parse({"sine", "--frequency", "440Hz"}).error,
              "--frequency \"440Hz\" is not a number: accepted 10 to 22050 Hz");
    for (const char* bad : {"", "nan", "0x20", " 1", "+-1", "1,5"})
        EXPECT_NE(parse({"pink", "-d", bad}).error.find("is not a number"), std::string::npos) << bad;
    EXPECT_EQ(parse({"pink", "-a", "3.5"}).error,
              "-a \"3.5\" is not a whole number of decibels: accepted 0 to 90 dB");
    EXPECT_NE(parse({"pink", "--seed-time", "now"}).error.find("is not a whole number"), std::string::npos);
    EXPECT_EQ(parse({"pink", "-o", ""}).error, "-o needs a file name");
    EXPECT_EQ(parse({"pink", "--frequency", "440"}).error, "--frequency applies only to the sine signal");
    EXPECT_EQ(parse({"sine", "--start", "440"}).error, "--start applies only to the sweep signal");
    EXPECT_EQ(parse({"sine", "--note", "A4", "--frequency", "440"}).error,
              "give either --frequency or --note, not both");
    EXPECT_EQ(parse({"sine", "--duration"}).error, "option --duration needs a value");
    EXPECT_EQ(parse({"sine", "--quiet=yes"}).error, "option --quiet takes no value");
    EXPECT_EQ(parse({"sine", "--volume", "3"}).error, "unknown option --volume");
    EXPECT_EQ(parse({"sine", "-x"}).error, "unknown option -x");
    EXPECT_EQ(parse({"saw"}).error, "unknown signal \"saw\": choose sine, sweep, pink or white");
    EXPECT_EQ(parse({}).error, "no signal given: choose sine, sweep, pink or white");
    EXPECT_EQ(parse({"sine", "white"}).error, "unexpected argument \"white\"");
    EXPECT_EQ(parse({"--list-notes", "sine"}).error, "--list-notes takes no signal and no other options");

    std::string message = refusal({"sine", "--frequency", "5"});
    EXPECT_EQ(message, "veltrane-cli: --frequency 5 is out of range: accepted 10 to 22050 Hz\n"
                       "Try 'veltrane-cli --help' for more information.\n");
}

TEST(CliOptions, NoteNames)
{
    EXPECT_EQ(noteIndexFromName("C0"), 0);
    EXPECT_EQ(noteIndexFromName("A4"), 57);
    EXPECT_EQ(noteIndexFromName("a4"), 57);
    EXPECT_EQ(noteIndexFromName("C#4"), 49);
    EXPECT_EQ(noteIndexFromName("db4"), 49);
    EXPECT_EQ(noteIndexFromName("DB4"), 49);
    EXPECT_EQ(noteIndexFromName("Bb8"), 106);
    EXPECT_EQ(noteIndexFromName("B8"), 107);
    for (const char* bad : {"", "A", "H4", "A9", "A-1", "Cb4", "B#3", "E#2", "Fb2", "A44", "A#", "A x"})
        EXPECT_FALSE(noteIndexFromName(bad)) << bad;
    EXPECT_EQ(noteDisplayName("db4"), "Db4");
    EXPECT_EQ(noteDisplayName("a#0"), "A#0");

    CliParseResult r = parse({"sine", "--note", "a4"});
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.options.frequency, 440.0);
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
    EXPECT_EQ(parse({"sine", "-d", "0.01", "-r", "96000"}).error, "");
}

}  // namespace
