// Runs the built veltrane-cli as a user would and checks what it leaves.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>

#include "cli_fixture.h"
#include "cli_options.h"
#include "note_table.h"

namespace {

TEST_F(Cli, WritesEachSignalAndSummarisesIt)
{
    // The summary names the file, the signal and the format, and counts the
    // frames the file holds; the default sine is 3 dB below full scale.
    const struct { const char* args; std::string file, summary; uint32_t rate, bits; } cases[] = {
        {"sine", (work / "Test.wav").string(), "sine 440 Hz, 44100 Hz, 16 bits, ", 44100, 16},
        {"sweep -b 24 -r 96000 -o sweep.wav", "sweep.wav", "sweep 65.406391 Hz to 4186.009045 Hz, 96000 Hz, 24 bits, ",
         96000, 24},
        {"pink --bits=32 --rate=48000 -a 20 -o pink.wav", "pink.wav", "pink noise, 48000 Hz, 32 bits, ", 48000, 32},
        {"white -d 0.1 -o white.WAVE", "white.WAVE", "white noise, 44100 Hz, 16 bits, ", 44100, 16},
        {"sine --note db4 -q -o note.wav", "note.wav", "sine Db4 277.182631 Hz, 44100 Hz, 16 bits, ", 44100, 16}};
    for (const auto& c : cases) {
        const Outcome r = run(c.args);
        ASSERT_EQ(r.code, 0) << c.args << ": " << r.err;
        EXPECT_EQ(r.err, "");  // not a terminal: no progress bar
        const std::vector<unsigned char> file = readBytes((work / c.file).string());
        ASSERT_GT(file.size(), 140u) << c.args;
        EXPECT_EQ(le32(file, 24), c.rate);
        EXPECT_EQ(le16(file, 34), c.bits);
        const std::string frames = std::to_string((file.size() - 140) / (c.bits / 4));
        EXPECT_EQ(r.out.rfind(c.file + ": " + c.summary + frames + " frames (", 0), 0u) << r.out;
    }
    EXPECT_NE(run("sine -o s.wav").out.find(" s), peak -3.00 dBFS, RMS -6."), std::string::npos);
    // Another extension is written all the same, with a warning.
    const Outcome flac = run("sine -q -o s.flac");
    EXPECT_EQ(flac.code, 0);
    EXPECT_EQ(flac.err, "veltrane-cli: warning: \"s.flac\" does not end in .wav; it is written as a WAVE file all "
                        "the same\n");
    EXPECT_EQ(slurp(work / "s.flac").substr(8, 4), "WAVE");
}

TEST_F(Cli, SeedTimeMakesRendersReproducible)
{
    for (const char* args : {"1700000000 -o a.wav", "1700000000 -o b.wav", "1700000001 -o c.wav"})
        ASSERT_EQ(run(std::string("white -d 0.1 --seed-time ") + args).code, 0) << args;
    const std::string a = slurp(work / "a.wav"), b = slurp(work / "b.wav"), c = slurp(work / "c.wav");
    EXPECT_EQ(a, b);
    ASSERT_EQ(b.size(), c.size());
    EXPECT_EQ(b.substr(0, 140 + 2048), c.substr(0, 140 + 2048));  // header and silence
    EXPECT_NE(b, c);
}

TEST_F(Cli, ListNotesHelpAndVersion)
{
    // One line per note, NAME[/ALIAS] HZ; every name printed is one --note
    // takes, for the frequency printed beside it.
    Outcome r = run("--list-notes");
    ASSERT_EQ(r.code, 0);
    EXPECT_EQ(r.out.rfind("C0 16.351598\nC#0/Db0 17.323914\n", 0), 0u);
    std::istringstream lines(r.out);
    int notes = 0;
    for (std::string names, hz; lines >> names >> hz; ++notes) {
        for (size_t from = 0, to = 0; from < names.size(); from = to + 1) {
            to = std::min(names.find('/', from), names.size());
            const std::string name = names.substr(from, to - from);
            const CliParseResult parsed = parseCliArguments({"sine", "--note", name});
            EXPECT_EQ(parsed.options.note, notes) << name;
            EXPECT_EQ(formatFixed(parsed.options.frequency, 6), hz) << name;
        }
    }
    EXPECT_EQ(notes, 108);
    r = run("--help");
    ASSERT_EQ(r.code, 0);
    for (const char* option : {"--frequency", "--note", "--start", "--end", "--duration", "--attenuation", "--rate",
                               "--bits", "--output", "--seed-time", "--quiet", "--list-notes", "--version", "Examples:"})
        EXPECT_NE(r.out.find(option), std::string::npos) << option;
    EXPECT_EQ(run("--version").out, "veltrane-cli 1.10\n");
}

TEST_F(Cli, ProgressBarFitsTheTerminal)
{
    for (const unsigned short columns : {30, 120}) {
        // The program's standard error is a terminal of this width; its
        // standard output, with the summary, goes elsewhere.
        winsize size{24, columns, 0, 0};
        int master = -1;
        const pid_t child = forkpty(&master, nullptr, nullptr, &size);
        ASSERT_GE(child, 0);
        if (child == 0) {
            dup2(open("/dev/null", O_WRONLY), STDOUT_FILENO);
            unsetenv("COLUMNS");
            execl(std::getenv("VELTRANE_CLI"), "veltrane-cli", "white", "-d", "2", "-o", (work / "w.wav").c_str(),
                  nullptr);
            _exit(127);
        }
        std::string screen;
        char chunk[4096];
        for (ssize_t n; (n = read(master, chunk, sizeof chunk)) > 0;)
            screen.append(chunk, n);
        close(master);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_EQ(status, 0) << screen;
        // Every drawing of the bar, between carriage returns, fills the
        // line but its last column.
        std::istringstream lines(screen);
        int drawn = 0;
        for (std::string line; std::getline(lines, line, '\r');) {
            if (line.empty() || line == "\x1b[K")
                continue;
            ++drawn;
            EXPECT_EQ(line.size(), columns - 1 + 3u) << line;  // and the erase to its end
        }
        EXPECT_GE(drawn, 10);
    }
}

}  // namespace
