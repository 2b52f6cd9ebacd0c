// The command line hands over a complete file or nothing: interrupted and
// killed runs, standard output, FIFOs, devices, links and permission bits.
#include <gtest/gtest.h>

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

// Starts the program in the working directory with words as its arguments,
// every signal at its default (a shell would start a background child with
// SIGINT and SIGQUIT ignored), standard output to /dev/null and standard
// error to ../err.
pid_t spawnCli(const fs::path& work, const std::vector<std::string>& words)
{
    const std::string program = std::getenv("VELTRANE_CLI");
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGQUIT);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&files, 2, (work.parent_path() / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addchdir_np(&files, work.c_str());
    std::vector<std::string> all = {program};
    all.insert(all.end(), words.begin(), words.end());
    std::vector<char*> argv;
    for (auto& w : all)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    EXPECT_EQ(posix_spawn(&child, program.c_str(), &files, &attr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&files);
    posix_spawnattr_destroy(&attr);
    return child;
}

// Stops the child once its temporary file in dir holds data (the render has
// begun), so that what follows happens in the middle of the run. A child that
// did not start, or ended before that, fails the test instead of being waited
// for for ever: the answer is whether it was stopped.
[[nodiscard]] bool stopMidRun(pid_t child, const fs::path& dir)
{
    if (child <= 0)
        return false;
    for (bool begun = false; !begun;) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        int status = 0;
        if (waitpid(child, &status, WNOHANG) != 0)
            return false;
        for (const auto& entry : fs::directory_iterator(dir)) {
            std::error_code ignored;
            begun = begun || (entry.path().filename().string().rfind(".t.wav.", 0) == 0 && entry.file_size(ignored) > 0 &&
                              entry.file_size(ignored) != std::uintmax_t(-1));
        }
    }
    kill(child, SIGSTOP);
    int status = 0;
    waitpid(child, &status, WUNTRACED);
    return true;
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
    int interrupted = 0, finished = 0;
    for (int i = 0; i < 36; ++i) {
        fs::copy_file(work / "old.wav", work / "t.wav", fs::copy_options::overwrite_existing);
        const std::string target = (work / "t.wav").string();
        const pid_t child = spawnCli(work, {"white", "-d", "20", "-r", "96000", "-b", "32", "--seed-time", "5", "-q", "-o", target});
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
            EXPECT_EQ(slurp(scratch.path() / "err"), "veltrane-cli: interrupted by " +
                                                          std::string(signal == SIGTERM ? "SIGTERM" : "SIGINT") + "; \"" +
                                                          target + "\" was not changed\n");
        }
    }
    EXPECT_GT(interrupted, 0) << finished;
    EXPECT_GT(finished, 0) << interrupted;
}

TEST_F(Cli, EverySignalThatEndsARunRemovesTheTemporaryFile)
{
    // Each signal whose default ends the process, delivered in the middle of
    // a run: exit 128 + n, the line that says so, the target as it was.
    std::ofstream(work / "t.wav") << "old";
    const std::vector<std::string> words = {"white", "-d", "120", "-r", "96000", "-b", "32", "-q", "-o", "t.wav"};
    for (const auto& [signal, name] :
         {std::pair{SIGHUP, "SIGHUP"}, {SIGINT, "SIGINT"}, {SIGQUIT, "SIGQUIT"}, {SIGUSR1, "SIGUSR1"},
          {SIGUSR2, "SIGUSR2"}, {SIGPIPE, "SIGPIPE"}, {SIGALRM, "SIGALRM"}, {SIGTERM, "SIGTERM"}, {SIGXCPU, "SIGXCPU"},
          {SIGVTALRM, "SIGVTALRM"}, {SIGPROF, "SIGPROF"}, {SIGRTMIN + 3, "SIGRTMIN+3"}}) {
        const pid_t child = spawnCli(work, words);
        ASSERT_TRUE(stopMidRun(child, work)) << name << ": " << slurp(scratch.path() / "err");
        kill(child, signal);
        kill(child, SIGCONT);
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 128 + signal) << name << " " << status;
        EXPECT_EQ(slurp(scratch.path() / "err"), std::string("veltrane-cli: interrupted by ") + name +
                                                     "; \"t.wav\" was not changed\n");
        EXPECT_EQ(slurp(work / "t.wav"), "old") << name;
        EXPECT_EQ(strays(work, {"t.wav"}), std::vector<std::string>()) << name;
    }
    // A directory moved during the run takes the new file along, and keeps
    // nothing else.
    fs::create_directory(work / "d");
    const pid_t child = spawnCli(work, {"white", "-d", "120", "-r", "96000", "-b", "32", "-q", "-o", "d/t.wav"});
    ASSERT_TRUE(stopMidRun(child, work / "d"));
    fs::rename(work / "d", work / "moved");
    kill(child, SIGCONT);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_TRUE(isConsistentWave(readBytes((work / "moved/t.wav").string())));
    EXPECT_EQ(strays(work / "moved", {"t.wav"}), std::vector<std::string>());
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
    // /dev/stdout and /dev/fd/N name the descriptor, whatever it holds.
    for (const char* script : {"$cli sweep -b 24 --seed-time 9 -o /dev/stdout | cat",
                               "$cli sweep -b 24 --seed-time 9 -o /dev/fd/3 3>&1 >/dev/null | cat",
                               "mkfifo fifo; $cli sweep -b 24 --seed-time 9 -o fifo >/dev/null & cat fifo; wait $!"}) {
        r = shell(script);
        ASSERT_EQ(r.code, 0) << script << r.err;
        EXPECT_TRUE(r.out == file) << script << r.out.size();
    }
    EXPECT_EQ(run("white -q -o /dev/null").code, 0);
    // A reader that stops early: SIGPIPE ends the run, or, when it is
    // ignored, the failed write does. A closed standard output, a terminal
    // or a missing temporary directory: nothing runs.
    for (const auto& [script, status, message] :
         {std::tuple{"$cli sine -d 5 -o - | head -c 100 >/dev/null; exit ${PIPESTATUS[0]}", 141,
                     "veltrane-cli: interrupted by SIGPIPE; the output to standard output is incomplete\n"},
          {"trap '' PIPE; $cli sine -d 5 -o - | head -c 100 >/dev/null; exit ${PIPESTATUS[0]}", 1,
           "veltrane-cli: cannot write to standard output: Broken pipe\n"},
          {"$cli sine -o - >&-", 1, "veltrane-cli: cannot write to standard output: Bad file descriptor\n"},
          {"script -qec \"$cli sine -o -\" /dev/null", 2,
           "veltrane-cli: standard output is a terminal; the WAVE file is not written to it"},
          {"TMPDIR=/nonexistent $cli sine -o - >/dev/null", 1,
           "veltrane-cli: cannot create a temporary file in \"/nonexistent\" (TMPDIR, or /tmp): No such file or "
           "directory\n"}}) {
        r = shell(script);
        EXPECT_EQ(r.code, status) << script;
        EXPECT_EQ((r.err + r.out).rfind(message, 0), 0u) << script << ": " << r.err;
    }
    EXPECT_TRUE(fs::is_empty(scratch.path() / "tmp"));
    EXPECT_EQ(strays(work, {"file.wav", "fifo"}), std::vector<std::string>());
    // The summary line is part of the run: when it cannot be written, the
    // run fails and the target is as it was.
    std::ofstream(work / "t.wav") << "old";
    for (const auto& [script, status, reason] :
         {std::tuple{"$cli sine -q -o t.wav >&-", 1, "Bad file descriptor"},
          {"$cli sine -q -o t.wav >/dev/full", 1, "No space left on device"},
          {"$cli sine -d 120 -r 96000 -b 32 -q -o t.wav | true; exit ${PIPESTATUS[0]}", 141, ""}}) {
        r = shell(script);
        EXPECT_EQ(r.code, status) << script;
        EXPECT_EQ(r.err, status == 1 ? "veltrane-cli: cannot write the summary to standard output: " +
                                           std::string(reason) + "; \"t.wav\" was not changed\n"
                                     : "veltrane-cli: interrupted by SIGPIPE; \"t.wav\" was not changed\n")
            << script;
        EXPECT_EQ(slurp(work / "t.wav"), "old") << script;
        EXPECT_EQ(strays(work, {"file.wav", "fifo", "t.wav"}), std::vector<std::string>()) << script;
    }
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
