// Runs the built veltrane-cli as a user would, in a scratch working
// directory, and collects its exit code and output.
#pragma once

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

namespace cli_test {

struct Outcome {
    int code = -1;
    std::string out, err;
};

inline std::string slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline uint32_t le(const std::string& bytes, size_t offset, int count)
{
    uint32_t v = 0;
    for (int i = 0; i < count; ++i)
        v |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[offset + i])) << (8 * i);
    return v;
}

class CliEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!std::getenv("VELTRANE_CLI")) {
            // Run outside CTest: the program built next to this test's folder.
            std::error_code error;
            fs::path beside = fs::read_symlink("/proc/self/exe", error).parent_path().parent_path() /
                              "cli" / "veltrane-cli";
            if (error || !fs::exists(beside))
                GTEST_SKIP() << "VELTRANE_CLI is not set";
            setenv("VELTRANE_CLI", beside.c_str(), 1);
        }
        std::string pattern = (fs::temp_directory_path() / "veltrane-cli-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root = pattern;
        work = root / "work";
        fs::create_directory(work);
    }
    void TearDown() override
    {
        if (!root.empty())
            fs::remove_all(root);
    }

    // args are shell words; setup runs first in the same shell (limits,
    // traps); wrapper, when given, runs the program (to change its user).
    Outcome run(const std::string& args, const std::string& setup = "", const std::string& wrapper = "")
    {
        std::string command = "cd '" + work.string() + "' && " + setup + " exec " + wrapper + " \"$VELTRANE_CLI\" " +
                              args + " >'" + (root / "out").string() + "' 2>'" +
                              (root / "err").string() + "'";
        int status = std::system(command.c_str());
        Outcome r;
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = slurp(root / "out");
        r.err = slurp(root / "err");
        return r;
    }

    bool workIsEmpty() const { return fs::is_empty(work); }

    fs::path root, work;
};

}  // namespace cli_test
