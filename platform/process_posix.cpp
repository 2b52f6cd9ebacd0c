#include "process.h"

#include <fcntl.h>
#include <unistd.h>

namespace platform {

std::vector<std::string> commandLineArguments(int argc, char** argv)
{
    return {argv + 1, argv + argc};
}

void guardStandardDescriptors()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) < 0) {
            const int placeholder = ::open("/dev/null", O_RDONLY);
            if (placeholder >= 0 && placeholder != fd) {
                ::dup2(placeholder, fd);
                ::close(placeholder);
            }
        }
    }
}

}  // namespace platform
