// Bad paths, failing disks and malformed values through the command line:
// each gets its message and exit code, nothing crashes, and any file left is
// a finished WAVE file whose header matches its data.
#include <gtest/gtest.h>

#include <fstream>

#include "cli_fixture.h"

namespace {

TEST_F(Cli, PermissionsAreReportedAndNothingIsTouched)
{
    // Root ignores file permissions; then the program runs as nobody.
    std::string wrapper;
    if (geteuid() == 0) {
        fs::permissions(scratch.path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
        wrapper = "setpriv --reuid=65534 --regid=65534 --clear-groups";
    }
    const fs::perms readable = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    fs::permissions(work, fs::perms::all);
    fs::create_directory(work / "locked");
    fs::permissions(work / "locked", readable | fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    std::ofstream(work / "ro.wav") << "read-only";
    fs::permissions(work / "ro.wav", readable);
    for (const std::string path : {"locked/x.wav", "ro.wav"}) {
        const Outcome r = run("white -d 0.1 -o " + path, "", wrapper);
        EXPECT_EQ(r.code, 1) << path;
        EXPECT_EQ(r.err, "veltrane-cli: cannot write \"" + path + "\": Permission denied\n");
    }
    EXPECT_TRUE(fs::is_empty(work / "locked"));
    EXPECT_EQ(slurp(work / "ro.wav"), "read-only");
}

TEST_F(Cli, PathShapes)
{
    // A missing directory, a directory, a path longer than the system's
    // limit, a name longer than a directory entry may be, and a trailing
    // slash naming a directory that is not there.
    fs::create_directory(work / "dir.wav");
    for (const auto& [path, message] :
         {std::pair{std::string("missing/x.wav"), "cannot write \"missing/x.wav\": No such file or directory\n"},
          {std::string("dir.wav"), "cannot write \"dir.wav\": Is a directory\n"},
          {std::string(5000, 'a'), "File name too long"}, {std::string(300, 'b') + ".wav", "File name too long"},
          {std::string("nodir/"), "cannot write \"nodir/\""}}) {
        const Outcome r = run("white -d 0.1 -o " + path);
        EXPECT_EQ(r.code, 1) << path.size();
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    }
    EXPECT_TRUE(fs::is_empty(work / "dir.wav"));
    fs::remove(work / "dir.wav");
    EXPECT_TRUE(fs::is_empty(work));
    // Path bytes that are not UTF-8 name a file like any other.
    const Outcome r = run("white -d 0.1 -o \"$(printf '\\377\\376-\\200.wav')\"");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(isConsistentWave(readBytes((work / "\xff\xfe-\x80.wav").string())));
}

TEST_F(Cli, RefusedThreadsGiveTheSameBytesAndADeepDirectoryTakesTheDefaultFile)
{
    // With no thread allowed beside the main one (as nobody, when run as
    // root), the job runs on that one alone.
    ASSERT_EQ(run("white -d 5 -b 32 --seed-time 4 -q -o one.wav").code, 0);
    std::string wrapper = "env ASAN_OPTIONS=detect_leaks=0 prlimit --nproc=1";
    if (geteuid() == 0) {
        fs::permissions(scratch.path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
        fs::permissions(work, fs::perms::all);
        wrapper += " setpriv --reuid=65534 --regid=65534 --clear-groups";
    }
    // ThreadSanitizer's runtime and an emulator running the program each
    // need a thread of their own.
#if !defined(__SANITIZE_THREAD__) && !VELTRANE_CLI_EMULATED
    const Outcome r = run("white -d 5 -b 32 --seed-time 4 -q -o alone.wav", "", wrapper);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(slurp(work / "alone.wav"), slurp(work / "one.wav"));
#endif
    // A working directory deeper than a path may name: Test.wav by its
    // relative name.
    const Outcome deep = shell("top=$PWD d=$(printf 'd%.0s' {1..200}); for i in {1..25}; do mkdir $d && cd $d; done; "
                               "$cli sine -q >/dev/null; s=$?; head -c 4 Test.wav; cd \"$top\" && rm -rf $d; exit $s");
    EXPECT_EQ(deep.code, 0) << deep.err;
    EXPECT_EQ(deep.out, "RIFF");
}

TEST_F(Cli, SizeLimitsAndFullDisksLeaveTheTargetAsItWas)
{
    // A file-size limit with SIGXFSZ at its default, and, as root, a small
    // full file system: exit 1 with the reason, no temporary file, and the
    // target untouched or absent.
    fs::create_directory(work / "small");
    const bool full = geteuid() == 0 && std::system(("mount -t tmpfs -o size=256k veltrane-test '" +
                                                     (work / "small").string() + "' 2>/dev/null").c_str()) == 0;
    struct Case { std::string dir, setup, reason; };
    std::vector<Case> cases = {{".", "ulimit -f 64;", "File too large"}};
    if (full)
        cases.push_back({"small", "", "No space left on device"});
    for (const Case& c : cases) {
        std::ofstream(work / c.dir / "old.wav") << "old";
        for (const std::string signal : {"sine", "sweep", "white", "pink"}) {
            for (const char* name : {"new.wav", "old.wav"}) {
                const std::string path = c.dir + "/" + name;
                const Outcome r = run(signal + " -d 5 -b 32 -o " + path, c.setup);
                EXPECT_EQ(r.code, 1) << signal << " " << path;
                EXPECT_EQ(r.err, "veltrane-cli: cannot write \"" + path + "\": " + c.reason + "\n");
            }
            EXPECT_EQ(slurp(work / c.dir / "old.wav"), "old") << signal;
            EXPECT_EQ(std::distance(fs::directory_iterator(work / c.dir), fs::directory_iterator()), c.dir == "." ? 2 : 1)
                << signal;
        }
    }
    if (full)
        EXPECT_EQ(std::system(("umount '" + (work / "small").string() + "'").c_str()), 0);
    else if (geteuid() == 0)
        std::cerr << "no tmpfs could be mounted: the full-disk case was skipped\n";
}

TEST_F(Cli, BadValuesAreRefusedWithTheirOptionBeforeAnythingIsWritten)
{
    std::ofstream(work / "keep.wav") << "keep";
    // Number spellings the option table does not hold, and one of each kind
    // of refusal it does.
    const std::pair<const char*, const char*> cases[] = {
        {"white -d ''", "-d"}, {"white -d -5", "-d"}, {"white -d nan", "-d"}, {"white -d inf", "-d"},
        {"white -d 0x10", "-d"}, {"white -d 10s", "-d"}, {"sine --frequency ' 440'", "--frequency"},
        {"white -a -3", "-a"}, {"white -a 99999999999999999999", "-a"}, {"white -r 44100.0", "-r"},
        {"white --seed-time x", "--seed-time"}, {"white --seed-time 99999999999999999999999", "--seed-time"},
        {"sine --note ''", "--note"}, {"sine -d 0.01", "too short"}, {"noise", "unknown signal"}};
    for (const auto& [args, message] : cases) {
        const Outcome r = run(std::string(args) + " -o keep.wav");
        EXPECT_EQ(r.code, 2) << args;
        EXPECT_NE(r.err.find(message), std::string::npos) << args << ": " << r.err;
        EXPECT_EQ(r.out, "") << args;
    }
    EXPECT_EQ(slurp(work / "keep.wav"), "keep");
}

}  // namespace
