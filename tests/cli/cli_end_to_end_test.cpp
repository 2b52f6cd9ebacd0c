// Runs the built veltrane-cli as a user would and checks what it leaves.
#include <gtest/gtest.h>

#include "cli_fixture.h"

#include <algorithm>
#include <fstream>
#include <string>

using namespace cli_test;

namespace {

TEST_F(CliEndToEnd, WritesEachSignalAndSummarisesIt)
{
    // The summary names the file, the signal and the format, and counts the
    // frames the file holds; the default sine is 3 dB below full scale.
    const struct { const char* args; std::string file, summary; uint32_t rate, bits; } cases[] = {
        {"sine", (work / "Test.wav").string(), "sine 440 Hz, 44100 Hz, 16 bits, ", 44100, 16},
        {"sweep -b 24 -r 96000 -o sweep.wav", "sweep.wav", "sweep 65.406391 Hz to 4186.009045 Hz, 96000 Hz, 24 bits, ",
         96000, 24},
        {"pink --bits=32 --rate=48000 -a 20 -o pink.wav", "pink.wav", "pink noise, 48000 Hz, 32 bits, ", 48000, 32},
        {"white -d 0.1 -o white.wav", "white.wav", "white noise, 44100 Hz, 16 bits, ", 44100, 16},
        {"sine --note db4 -q -o note.wav", "note.wav", "sine Db4 277.182631 Hz, 44100 Hz, 16 bits, ", 44100, 16}};
    for (const auto& c : cases) {
        const Outcome r = run(c.args);
        ASSERT_EQ(r.code, 0) << c.args << ": " << r.err;
        EXPECT_EQ(r.err, "");  // not a terminal: no progress bar
        const std::string file = slurp(work / c.file);
        ASSERT_GT(file.size(), 140u) << c.args;
        EXPECT_EQ(le(file, 24, 4), c.rate);
        EXPECT_EQ(le(file, 34, 2), c.bits);
        const std::string frames = std::to_string((file.size() - 140) / (c.bits / 4));
        EXPECT_EQ(r.out.rfind(c.file + ": " + c.summary + frames + " frames (", 0), 0u) << r.out;
    }
    EXPECT_NE(run("sine -o s.wav").out.find(" s), peak -3.00 dBFS, RMS -6."), std::string::npos);
}

TEST_F(CliEndToEnd, SeedTimeMakesRendersReproducible)
{
    for (const std::string signal : {"pink -d 0.1", "white -d 0.1"}) {  // white last, for c.wav
        for (const char* name : {"a.wav", "b.wav"})
            ASSERT_EQ(run(signal + " --seed-time 1700000000 -o " + name).code, 0) << signal;
        EXPECT_EQ(slurp(work / "a.wav"), slurp(work / "b.wav")) << signal;
    }
    ASSERT_EQ(run("white -d 0.1 --seed-time 1700000001 -o c.wav").code, 0);
    const std::string a = slurp(work / "b.wav"), c = slurp(work / "c.wav");
    ASSERT_EQ(a.size(), c.size());
    EXPECT_EQ(a.substr(0, 140 + 2048), c.substr(0, 140 + 2048));  // header and silence
    EXPECT_NE(a, c);
}

TEST_F(CliEndToEnd, ExitCodesAndMessages)
{
    // A file that cannot be written exits 1; a bad value exits 2 with the
    // hint, before anything is written. (Full disks: cli_faults_test.)
    fs::create_directory(work / "dir.wav");
    std::ofstream(work / "keep.wav") << "keep";
    const struct { const char* args; int code; const char* err; } cases[] = {
        {"sine -o missing/x.wav", 1, "veltrane-cli: cannot write \"missing/x.wav\": No such file or directory\n"},
        {"pink -o dir.wav", 1, "veltrane-cli: cannot write \"dir.wav\": Is a directory\n"},
        {"sine -d 0.01 -o keep.wav", 2, "Try 'veltrane-cli --help'"}, {"sweep --start 9 -o keep.wav", 2, "Try"},
        {"sine --note X9 -o keep.wav", 2, "Try"}, {"noise", 2, "Try"}, {"", 2, "Try"}};
    for (const auto& c : cases) {
        const Outcome r = run(c.args);
        EXPECT_EQ(r.code, c.code) << c.args;
        EXPECT_TRUE(c.code == 2 ? r.err.find(c.err) != std::string::npos : r.err == c.err) << c.args << ": " << r.err;
        EXPECT_EQ(r.out, "") << c.args;
    }
    EXPECT_EQ(slurp(work / "keep.wav"), "keep");
    EXPECT_TRUE(fs::is_empty(work / "dir.wav"));
    EXPECT_EQ(std::distance(fs::directory_iterator(work), fs::directory_iterator()), 2);
}

TEST_F(CliEndToEnd, ListNotesHelpAndVersion)
{
    Outcome r = run("--list-notes");
    ASSERT_EQ(r.code, 0);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 108);
    EXPECT_EQ(r.out.rfind("C0: 16.351598\nC#0/Db0 17.323914\n", 0), 0u);
    EXPECT_NE(r.out.find("\nC#6Db6 1108.730524\n"), std::string::npos);
    EXPECT_EQ(r.out.substr(r.out.size() - 16), "\nB8 7902.132820\n");
    r = run("--help");
    ASSERT_EQ(r.code, 0);
    for (const char* option : {"--frequency", "--note", "--start", "--end", "--duration", "--attenuation", "--rate",
                               "--bits", "--output", "--seed-time", "--quiet", "--list-notes", "--version", "Examples:"})
        EXPECT_NE(r.out.find(option), std::string::npos) << option;
    EXPECT_EQ(run("--version").out, "veltrane-cli 1.10\n");
}

}  // namespace
