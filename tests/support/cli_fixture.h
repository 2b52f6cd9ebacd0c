// Runs the built veltrane-cli as a user would, in a scratch working
// directory, and collects its exit code and output.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "posix_calls.h"
#include "test_files.h"

namespace fs = std::filesystem;

struct Outcome {
    int code;
    std::string out, err;
};

inline std::string slurp(const fs::path& path)
{
    const std::vector<unsigned char> bytes = readBytes(path.string());
    return {bytes.begin(), bytes.end()};
}

class Cli : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!std::getenv("VELTRANE_CLI")) {
            // Run outside CTest: the program built next to this test's folder.
            const fs::path beside = fs::canonical("/proc/self/exe").parent_path().parent_path() / "cli/veltrane-cli";
            if (!fs::exists(beside))
                GTEST_SKIP() << "VELTRANE_CLI is not set";
            setenv("VELTRANE_CLI", beside.c_str(), 1);
        }
        fs::create_directory(work);
    }

    // args are shell words; setup runs first in the same shell (limits,
    // traps); wrapper, when given, runs the program (to change its user).
    Outcome run(const std::string& args, const std::string& setup = "", const std::string& wrapper = "")
    {
        return collect(setup + " exec " + wrapper + " \"$VELTRANE_CLI\" " + args);
    }

    // A bash script in the working directory, with the program as $cli and
    // its temporary files in ../tmp.
    Outcome shell(const std::string& script)
    {
        fs::create_directory(scratch.path() / "tmp");
        std::ofstream(scratch.path() / "script") << "cli=$VELTRANE_CLI; export TMPDIR=../tmp\n" << script << '\n';
        return collect("exec bash ../script");
    }

    ScratchDir scratch;
    const fs::path work = scratch.path() / "work";

private:
    Outcome collect(const std::string& command)
    {
        const std::string line = "cd '" + work.string() + "' && " + command + " >../out 2>../err";
        const int status = std::system(line.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(scratch.path() / "out"),
                slurp(scratch.path() / "err")};
    }
};
