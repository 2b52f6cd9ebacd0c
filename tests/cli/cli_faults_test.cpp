// Bad paths, failing disks and malformed values through the command line:
// each gets its message and exit code, nothing crashes, and any file left is
// a finished WAVE file whose header matches its data.
#include <gtest/gtest.h>

#include <unistd.h>

#include "cli_fixture.h"

using namespace cli_test;

namespace {

bool consistentWave(const std::string& b)
{
    if (b.size() < 140)
        return false;
    const uint32_t d = le(b, 136, 4);
    const uint32_t bits = le(b, 34, 2);
    return b.size() == 140 + d && le(b, 4, 4) == 132 + d && bits >= 16 && le(b, 128, 4) == d / (bits / 8);
}

class CliFaults : public CliEndToEnd {
protected:
    // Root ignores file permissions; those cases run the program as nobody.
    std::string asUnprivileged()
    {
        if (geteuid() != 0)
            return "";
        fs::permissions(root, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
        return "setpriv --reuid=65534 --regid=65534 --clear-groups";
    }
};

TEST_F(CliFaults, PermissionsAreReportedAndNothingIsTouched)
{
    const std::string wrapper = asUnprivileged();
    fs::create_directory(work / "locked");
    fs::permissions(work, fs::perms::all);
    fs::permissions(work / "locked", fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                         fs::perms::others_read | fs::perms::others_exec);
    Outcome r = run("white -d 0.1 -o locked/x.wav", "", wrapper);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "veltrane-cli: cannot write \"locked/x.wav\": Permission denied\n");
    EXPECT_TRUE(fs::is_empty(work / "locked"));

    std::ofstream(work / "ro.wav") << "read-only";
    fs::permissions(work / "ro.wav", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    r = run("white -d 0.1 -o ro.wav", "", wrapper);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "veltrane-cli: cannot write \"ro.wav\": Permission denied\n");
    EXPECT_EQ(slurp(work / "ro.wav"), "read-only");
}

TEST_F(CliFaults, PathShapes)
{
    // Longer than the system's path limit, and a name longer than a
    // directory entry may be.
    Outcome r = run("white -d 0.1 -o " + std::string(5000, 'a'));
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("File name too long"), std::string::npos) << r.err;
    r = run("white -d 0.1 -o " + std::string(300, 'b') + ".wav");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("File name too long"), std::string::npos) << r.err;
    EXPECT_TRUE(workIsEmpty());

    // Path bytes that are not UTF-8 name a file like any other.
    r = run("white -d 0.1 -o \"$(printf '\\377\\376-\\200.wav')\"");
    ASSERT_EQ(r.code, 0) << r.err;
    const fs::path odd = work / std::string("\xff\xfe-\x80.wav");
    EXPECT_TRUE(consistentWave(slurp(odd)));

    // A trailing slash names a directory that is not there.
    r = run("white -d 0.1 -o nodir/");
    EXPECT_EQ(r.code, 1);
}

TEST_F(CliFaults, FullDiskMidJobLeavesAValidFileOrNone)
{
    const std::string limit = "trap '' XFSZ; ulimit -f 64;";
    for (const char* signal : {"sine", "sweep", "white", "pink"}) {
        // A file this run creates is removed; one that was there is left as a
        // finished WAVE file holding what fitted.
        Outcome r = run(std::string(signal) + " -d 5 -b 32 -o new.wav", limit);
        EXPECT_EQ(r.code, 1) << signal;
        EXPECT_NE(r.err.find("File too large"), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(work / "new.wav")) << signal;

        std::ofstream(work / "old.wav") << "old";
        r = run(std::string(signal) + " -d 5 -b 32 -o old.wav", limit);
        EXPECT_EQ(r.code, 1) << signal;
        const std::string left = slurp(work / "old.wav");
        EXPECT_TRUE(consistentWave(left)) << signal << " left " << left.size() << " bytes";
        EXPECT_LE(left.size(), 64u * 1024u);
    }
}

TEST_F(CliFaults, MalformedValuesAreRefusedWithTheirOption)
{
    struct Case {
        const char* args;
        const char* option;
    } cases[] = {
        {"white -d ''", "-d"},
        {"white --duration=", "--duration"},
        {"white -d 1e400", "-d"},
        {"white -d -5", "-d"},
        {"white -d nan", "-d"},
        {"white -d inf", "-d"},
        {"white -d 0x10", "-d"},
        {"white -d 10s", "-d"},
        {"sine --frequency ' 440'", "--frequency"},
        {"sine --frequency 440Hz", "--frequency"},
        {"white -a -3", "-a"},
        {"white -a 99999999999999999999", "-a"},
        {"white -a 3.5", "-a"},
        {"white -r 44100.0", "-r"},
        {"white -r ''", "-r"},
        {"white -b 8", "-b"},
        {"white --seed-time x", "--seed-time"},
        {"white --seed-time 99999999999999999999999", "--seed-time"},
        {"sine --note ''", "--note"},
        {"sine --note H4", "--note"},
    };
    for (const Case& c : cases) {
        Outcome r = run(std::string(c.args) + " -o out.wav");
        EXPECT_EQ(r.code, 2) << c.args;
        EXPECT_NE(r.err.find(c.option), std::string::npos) << c.args << ": " << r.err;
        EXPECT_FALSE(fs::exists(work / "out.wav")) << c.args;
    }
}

}  // namespace
