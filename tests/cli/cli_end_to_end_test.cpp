// Runs the built veltrane-cli as a user would and checks what it leaves.
#include <gtest/gtest.h>

#include "cli_fixture.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

using namespace cli_test;

namespace {

TEST_F(CliEndToEnd, WritesEachSignalAndSummarisesIt)
{
    Outcome r = run("sine");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");  // not a terminal: no progress bar
    std::string file = slurp(work / "Test.wav");
    ASSERT_GT(file.size(), 140u);
    uint64_t frames = (file.size() - 140) / 4;
    EXPECT_EQ(frames % 512, 0u);
    std::ostringstream expected;
    expected << (work / "Test.wav").string() << ": sine 440 Hz, 44100 Hz, 16 bits, " << frames
             << " frames (";
    EXPECT_EQ(r.out.rfind(expected.str(), 0), 0u) << r.out;
    // Attenuation is relative to the full-scale peak: 3 dB down.
    EXPECT_NE(r.out.find(" s), peak -3.0"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(" dBFS, RMS -6."), std::string::npos) << r.out;

    r = run("sweep -b 24 -r 96000 -o sweep.wav");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out.rfind("sweep.wav: sweep 65.406391 Hz to 4186.009045 Hz, 96000 Hz, 24 bits, ", 0), 0u);
    file = slurp(work / "sweep.wav");
    EXPECT_EQ(le(file, 24, 4), 96000u);
    EXPECT_EQ(le(file, 34, 2), 24u);

    r = run("pink --bits=32 --rate=48000 -a 20 -o pink.wav");
    ASSERT_EQ(r.code, 0) << r.err;
    file = slurp(work / "pink.wav");
    EXPECT_EQ(le(file, 24, 4), 48000u);
    EXPECT_EQ(le(file, 34, 2), 32u);

    r = run("sine --note db4 -q -o note.wav");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out.rfind("note.wav: sine Db4 277.182631 Hz, ", 0), 0u) << r.out;

    r = run("white -d 0.1 -o white.wav");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(fs::file_size(work / "white.wav"), 20620u);
}

TEST_F(CliEndToEnd, SeedTimeMakesRendersReproducible)
{
    for (const char* signal : {"white -d 0.1", "pink -d 0.1", "sine -b 16"}) {
        std::string base = std::string(signal) + " --seed-time 1700000000 -o ";
        ASSERT_EQ(run(base + "a.wav").code, 0) << signal;
        ASSERT_EQ(run(base + "b.wav").code, 0) << signal;
        EXPECT_EQ(slurp(work / "a.wav"), slurp(work / "b.wav")) << signal;
    }
    ASSERT_EQ(run("white -d 0.1 --seed-time 1700000001 -o c.wav").code, 0);
    ASSERT_EQ(run("white -d 0.1 --seed-time 1700000000 -o a.wav").code, 0);
    std::string a = slurp(work / "a.wav"), c = slurp(work / "c.wav");
    ASSERT_EQ(a.size(), c.size());
    EXPECT_EQ(a.substr(0, 140 + 2048), c.substr(0, 140 + 2048));  // header and silence
    EXPECT_NE(a, c);
}

TEST_F(CliEndToEnd, UnwritableFileExitsOneAndLeavesNothing)
{
    Outcome r = run("sine -o missing/x.wav");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "veltrane-cli: cannot write \"missing/x.wav\": No such file or directory\n");
    EXPECT_EQ(r.out, "");

    fs::create_directory(work / "dir.wav");
    r = run("pink -o dir.wav");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "veltrane-cli: cannot write \"dir.wav\": Is a directory\n");
    fs::remove(work / "dir.wav");
    EXPECT_TRUE(workIsEmpty());

    // A write that fails part-way (the file-size limit) must not leave a
    // half-written file that this run created.
    const std::string limit = "trap '' XFSZ; ulimit -f 16;";
    r = run("pink -d 2 -o big.wav", limit);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err.rfind("veltrane-cli: cannot write \"big.wav\": ", 0), 0u) << r.err;
    EXPECT_TRUE(workIsEmpty());

    // A file that was there before is the user's: it stays.
    std::ofstream(work / "old.wav") << "old";
    r = run("pink -d 2 -o old.wav", limit);
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(fs::exists(work / "old.wav"));
}

TEST_F(CliEndToEnd, ValueErrorsExitTwoBeforeWriting)
{
    std::ofstream(work / "keep.wav") << "keep";
    for (const char* args : {"sine -d 0.01 -o keep.wav", "sweep --start 9 -o keep.wav",
                             "sine --note X9 -o keep.wav", "noise", ""}) {
        Outcome r = run(args);
        EXPECT_EQ(r.code, 2) << args;
        EXPECT_NE(r.err.find("Try 'veltrane-cli --help'"), std::string::npos) << args;
        EXPECT_EQ(slurp(work / "keep.wav"), "keep") << args;
    }
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
    for (const char* option : {"--frequency", "--note", "--start", "--end", "--duration",
                               "--attenuation", "--rate", "--bits", "--output", "--seed-time",
                               "--quiet", "--list-notes", "--version", "Examples:"})
        EXPECT_NE(r.out.find(option), std::string::npos) << option;
    EXPECT_EQ(run("--version").out, "veltrane-cli 1.10\n");
}

}  // namespace
