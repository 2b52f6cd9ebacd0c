#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli_run.h"

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    int code = runCli(args, std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1);
    std::cout.flush();
    // A summary that could not be written (a full disk, a closed pipe) is a
    // failure the caller should see.
    if (!std::cout && code == kExitWritten)
        return kExitCannotWrite;
    return code;
}
