#include "process.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <shellapi.h>

#include "windows_text.h"

namespace platform {

std::vector<std::string> commandLineArguments(int argc, char** argv)
{
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide)
        return {argv + 1, argv + argc};
    std::vector<std::string> args;
    for (int i = 1; i < count; ++i)
        args.push_back(windows::narrow(wide[i]));
    LocalFree(wide);
    return args;
}

void guardStandardDescriptors()
{
    _setmode(1, _O_BINARY);
    _setmode(2, _O_BINARY);
}

}  // namespace platform
