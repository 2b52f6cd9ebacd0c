// The all-or-nothing replacement of the output file and the binary file
// access, on whichever system the tests are built for.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "file_io.h"
#include "output_file.h"
#include "test_files.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> entries(const fs::path& directory)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory))
        names.push_back(entry.path().filename().string());
    return names;
}

// Prepares the file as a run does, its temporary file handed to the
// interrupt handlers; answers what prepare answered.
int prepareRun(OutputFile& file)
{
    const int prepared = file.prepare();
    if (prepared == 0)
        catchInterrupts(file.temporary(), "not changed", false);
    return prepared;
}

// Writes bytes through the layer the WAVE writer uses; false on any failure.
bool writeThrough(const std::string& path, const std::vector<unsigned char>& bytes)
{
    const int fd = platform::openForWriting(path.c_str());
    if (fd < 0)
        return false;
    const bool written = platform::writeSome(fd, bytes.data(), bytes.size()) == int64_t(bytes.size());
    return platform::closeFile(fd) == 0 && written;
}

TEST(OutputFile, TheTargetIsTheOldFileUntilTheNewOneIsCompleteAndNothingElseRemains)
{
    const ScratchDir scratch;
    const std::string target = scratch.file("T.wav");
    std::ofstream(target, std::ios::binary) << "old";
    // Line feeds, and a carriage return before one: bytes a text-mode file
    // would change.
    std::vector<unsigned char> bytes(4096, 0x0A);
    bytes[7] = 0x0D;

    for (const bool complete : {false, true}) {
        OutputFile file(target);
        ASSERT_EQ(prepareRun(file), 0);
        ASSERT_NE(file.renderPath(), target);
        EXPECT_EQ(entries(scratch.path()).size(), 2u);  // the temporary file beside the target
        ASSERT_TRUE(writeThrough(file.renderPath(), bytes));
        EXPECT_EQ(slurpBytes(target), "old");
        if (complete)
            ASSERT_EQ(file.commit(), 0);
        else
            file.discard();  // a failed or interrupted run
    }
    EXPECT_EQ(readBytes(target), bytes);
    EXPECT_EQ(entries(scratch.path()), std::vector<std::string>{"T.wav"});
    // A new target, in a directory given by a UTF-8 name.
    const std::string directory = scratch.path().string() + "/\xC3\xBC";
    const std::string named = directory + "/\xE2\x99\xAA.wav";
    ASSERT_TRUE(fs::create_directory(platform::pathFromUtf8(directory)));
    OutputFile file(named);
    ASSERT_EQ(prepareRun(file), 0);
    ASSERT_TRUE(writeThrough(file.renderPath(), bytes));
    ASSERT_EQ(file.commit(), 0);
    EXPECT_EQ(fs::file_size(platform::pathFromUtf8(named)), bytes.size());
}

TEST(OutputFile, TargetsThatCannotBeReplacedAreRefusedUntouched)
{
    const ScratchDir scratch;
    EXPECT_EQ(OutputFile(scratch.file("missing/T.wav")).prepare(), ENOENT);
    EXPECT_EQ(OutputFile(scratch.path().string()).prepare(), EISDIR);
    const std::string target = scratch.file("T.wav");
    std::ofstream(target) << "old";
    fs::permissions(target, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    OutputFile readOnly(target);
    const int refused = readOnly.prepare();
    fs::permissions(target, fs::perms::owner_write, fs::perm_options::add);
    if (refused == 0)
        GTEST_SKIP() << "run with the right to write any file (root)";
    EXPECT_EQ(refused, EACCES);
    EXPECT_EQ(slurpBytes(target), "old");
    EXPECT_EQ(entries(scratch.path()), std::vector<std::string>{"T.wav"});
}

}  // namespace
