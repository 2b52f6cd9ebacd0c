#include <cerrno>
#include <cstring>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "cli_run.h"
#include "file_io.h"
#include "process.h"

int main(int argc, char** argv)
{
    platform::guardStandardDescriptors();
    const std::vector<std::string> args = platform::commandLineArguments(argc, argv);
    int code = 0;
    try {
        code = runCli(args, std::cout, std::cerr, platform::isTerminal(2));
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
                  << (errno != 0 ? platform::errorText(errno) : "the write failed") << '\n';
        return kExitCannotWrite;
    }
    return code;
}
