#include "output_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>
#include <utility>

OutputFile::OutputFile(std::string path)
    : path_(std::move(path))
{
}

OutputFile::~OutputFile()
{
    if (!kept_)
        discard();
}

int OutputFile::check()
{
    // O_NONBLOCK: opening a pipe that nobody reads must not hang the check.
    const int flags = O_WRONLY | O_CLOEXEC | O_NONBLOCK;
    int fd = ::open(path_.c_str(), flags | O_CREAT | O_EXCL, 0666);
    if (fd >= 0) {
        created_ = true;
    } else if (errno == EEXIST) {
        // Present already: opened without O_TRUNC so its content is untouched
        // until the engine itself opens it.
        fd = ::open(path_.c_str(), flags);
        if (fd < 0)
            return errno;
    } else {
        return errno;
    }

    struct stat info {};
    int error = 0;
    if (::fstat(fd, &info) != 0)
        error = errno;
    else if (S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode))
        error = ESPIPE;  // the writer must seek back to finish the header
    ::close(fd);
    if (error != 0)
        discard();
    return error;
}

void OutputFile::discard()
{
    if (created_) {
        ::unlink(path_.c_str());
        created_ = false;
    }
}

std::string defaultOutputPath()
{
    std::error_code error;
    std::filesystem::path directory = std::filesystem::current_path(error);
    if (error)
        return "Test.wav";
    return (directory / "Test.wav").string();
}
