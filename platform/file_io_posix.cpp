#include "file_io.h"

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

int openForWriting(const char* path)
{
    return ::open(path, O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
}

int64_t writeSome(int fd, const void* data, size_t count)
{
    return ::write(fd, data, count);
}

int64_t writeAt(int fd, const void* data, size_t count, int64_t offset)
{
    return ::pwrite(fd, data, count, static_cast<off_t>(offset));
}

int truncateFile(int fd, int64_t length)
{
    return ::ftruncate(fd, static_cast<off_t>(length));
}

int closeFile(int fd)
{
    return ::close(fd);
}

int64_t regularFileSize(int fd)
{
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return -1;
    return info.st_size;
}

bool isTerminal(int fd)
{
    return ::isatty(fd) == 1;
}

std::filesystem::path pathFromUtf8(const std::string& path)
{
    return path;
}

std::string errorText(int error)
{
    return std::strerror(error);
}

}  // namespace platform
