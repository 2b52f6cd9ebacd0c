// The command line hands over a complete file or nothing: interrupted and
// killed runs, standard output, FIFOs, devices, links and permission bits.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "cli_fixture.h"

extern char** environ;

namespace {

// Files in dir other than the given names: a left-behind temporary file.
std::vector<std::string> strays(const fs::path& dir, std::initializer_list<std::string> expected)
{
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(dir))
        if (std::find(expected.begin(), expected.end(), entry.path().filename().string()) == expected.end())
            found.push_back(entry.path().filename().string());
    return found;
}

TEST_F(Cli, AnInterruptedOrKilledRunLeavesTheOldFileOrTheNewOne)
{
    // The moments of the kills spread over a little more than one whole run,
    // however fast this build is.
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(run("white -d 20 -r 96000 -b 32 --seed-time 5 -q -o new.wav").code, 0);
    const auto step = (std::chrono::steady_clock::now() - start) / 30;
    ASSERT_EQ(run("sine -d 3 -o old.wav").code, 0);
    const std::string fresh = slurp(work / "new.wav"), old = slurp(work / "old.wav");
    const std::string program = std::getenv("VELTRANE_CLI");
    int interrupted = 0, finished = 0;
    for (int i = 0; i < 36; ++i) {
        fs::copy_file(work / "old.wav", work / "t.wav", fs::copy_options::overwrite_existing);
        // Spawned directly, with SIGINT at its default: a shell would start
        // a background child with SIGINT ignored.
        posix_spawnattr_t attr;
        posix_spawnattr_init(&attr);
        sigset_t defaults;
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGINT);
        posix_spawnattr_setsigdefault(&attr, &defaults);
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&files, 2, (scratch.path() / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const std::string target = (work / "t.wav").string();
        std::vector<std::string> words = {program, "white", "-d", "20", "-r", "96000", "-b", "32", "--seed-time", "5", "-q", "-o", target};
        std::vector<char*> argv;
        for (auto& w : words)
            argv.push_back(w.data());
        argv.push_back(nullptr);
        pid_t child = 0;
        ASSERT_EQ(posix_spawn(&child, program.c_str(), &files, &attr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&files);
        posix_spawnattr_destroy(&attr);

        std::this_thread::sleep_for(step * i * (i < 33 ? 1 : 4));  // the last ones mostly finish
        const int signal = i % 3 == 0 ? SIGKILL : i % 3 == 1 ? SIGTERM : SIGINT;
        kill(child, signal);
        int status = 0;
        waitpid(child, &status, 0);
        const std::string now = slurp(work / "t.wav");
        ASSERT_TRUE(now == old || now == fresh) << "run " << i << ": " << now.size() << " bytes";
        if (signal == SIGKILL) {
            for (const std::string& name : strays(work, {"new.wav", "old.wav", "t.wav"}))
                fs::remove(work / name);  // only the hidden temporary file may stay
            continue;
        }
        EXPECT_EQ(strays(work, {"new.wav", "old.wav", "t.wav"}), std::vector<std::string>()) << "run " << i;
        if (WIFSIGNALED(status)) {
            // The signal came before the program had started to listen.
            ++interrupted;
            EXPECT_EQ(WTERMSIG(status), signal) << "run " << i;
            EXPECT_TRUE(now == old) << "run " << i;
        } else if (WEXITSTATUS(status) == 0) {
            ++finished;
            EXPECT_TRUE(now == fresh) << "run " << i;
        } else {
            ++interrupted;
            EXPECT_EQ(WEXITSTATUS(status), 128 + signal);
            EXPECT_TRUE(now == old) << "run " << i;
            EXPECT_EQ(slurp(scratch.path() / "err"), "veltrane-cli: interrupted; \"" + target + "\" was not changed\n");
        }
    }
    EXPECT_GT(interrupted, 0) << finished;
    EXPECT_GT(finished, 0) << interrupted;
}

TEST_F(Cli, StandardOutputFifosAndDevicesGetTheCompleteFile)
{
    ASSERT_EQ(run("sweep -b 24 --seed-time 9 -q -o file.wav").code, 0);
    const std::string file = slurp(work / "file.wav");
    // Through a pipe and a FIFO: the same bytes, with final sizes in the
    // header; the summary goes to standard error.
    Outcome r = shell("$cli sweep -b 24 --seed-time 9 -o - | cat");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(r.out == file) << r.out.size();
    EXPECT_EQ(r.err.rfind("standard output: sweep ", 0), 0u) << r.err;
    r = shell("mkfifo fifo; $cli sweep -b 24 --seed-time 9 -o fifo >/dev/null & cat fifo; wait $!");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(r.out == file) << r.out.size();
    EXPECT_EQ(run("white -q -o /dev/null").code, 0);
    // A reader that stops early: SIGPIPE ends the run, or, when it is
    // ignored, the failed write does. A closed standard output: nothing runs.
    for (const auto& [script, status, message] :
         {std::tuple{"$cli sine -d 5 -o - | head -c 100 >/dev/null; exit ${PIPESTATUS[0]}", 141, ""},
          {"trap '' PIPE; $cli sine -d 5 -o - | head -c 100 >/dev/null; exit ${PIPESTATUS[0]}", 1,
           "veltrane-cli: cannot write to standard output: Broken pipe\n"},
          {"$cli sine -o - >&-", 1, "veltrane-cli: cannot write to standard output: Bad file descriptor\n"}}) {
        r = shell(script);
        EXPECT_EQ(r.code, status) << script;
        EXPECT_EQ(r.err, message) << script;
    }
    EXPECT_TRUE(fs::is_empty(scratch.path() / "tmp"));
    EXPECT_EQ(strays(work, {"file.wav", "fifo"}), std::vector<std::string>());
}

TEST_F(Cli, ReplacingKeepsPermissionBitsAndLinks)
{
    fs::create_directory(work / "real");
    ASSERT_EQ(run("sine -o real/a.wav").code, 0);
    fs::permissions(work / "real/a.wav", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink("real/a.wav", work / "link.wav");
    fs::create_symlink("real/b.wav", work / "dangling.wav");
    for (const char* name : {"link.wav", "dangling.wav"})
        ASSERT_EQ(run(std::string("white --seed-time 3 -o ") + name).code, 0) << name;
    EXPECT_TRUE(fs::is_symlink(work / "link.wav"));
    EXPECT_TRUE(fs::is_symlink(work / "dangling.wav"));
    EXPECT_EQ(slurp(work / "real/a.wav"), slurp(work / "real/b.wav"));
    EXPECT_EQ(fs::status(work / "real/a.wav").permissions(), fs::perms(0640));
    EXPECT_EQ(fs::status(work / "real/b.wav").permissions(), fs::perms(0666 & ~[] {
                  const mode_t mask = umask(0);
                  umask(mask);
                  return mask;
              }()));
    EXPECT_EQ(strays(work / "real", {"a.wav", "b.wav"}), std::vector<std::string>());
}

}  // namespace
