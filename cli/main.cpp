#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "cli_run.h"

int main(int argc, char** argv)
{
    // A standard descriptor that is closed is held by a read-only /dev/null,
    // so that no file this run opens takes its number: writing to it then
    // fails as writing to the closed descriptor would.
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) < 0) {
            const int placeholder = ::open("/dev/null", O_RDONLY);
            if (placeholder >= 0 && placeholder != fd) {
                ::dup2(placeholder, fd);
                ::close(placeholder);
            }
        }
    }
    std::vector<std::string> args(argv + 1, argv + argc);
    int code = 0;
    try {
        code = runCli(args, std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1);
    } catch (const std::bad_alloc&) {
        // Unwound: the temporary file is gone and the target as it was.
        std::cerr << "veltrane-cli: out of memory\n";
        return kExitCannotWrite;
    }
    errno = 0;
    std::cout.flush();
    // Text that could not be written (a full disk, a closed pipe) is a
    // failure the caller should see.
    if (!std::cout && code == kExitWritten) {
        std::cerr << "veltrane-cli: cannot write to standard output: "
                  << (errno != 0 ? std::strerror(errno) : "the write failed") << '\n';
        return kExitCannotWrite;
    }
    return code;
}
