#include "terminal.h"

#include <cstring>
#include <windows.h>

namespace platform {

int windowColumns()
{
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info))
        return 0;
    return info.srWindow.Right - info.srWindow.Left + 1;
}

// A console sends no event a program may wait for cheaply when its window
// is resized: its width is looked at every 64 reports instead.
constexpr unsigned kCallsBetweenLooks = 64;

TerminalResizeWatch::TerminalResizeWatch()
{
    lastColumns_ = windowColumns();
    DWORD mode = 0;
    const HANDLE console = GetStdHandle(STD_ERROR_HANDLE);
    if (GetConsoleMode(console, &mode)) {
        std::memcpy(previous_, &mode, sizeof mode);
        previous_[sizeof mode] = 1;
        SetConsoleMode(console, mode | ENABLE_PROCESSED_OUTPUT | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
    }
}

TerminalResizeWatch::~TerminalResizeWatch()
{
    DWORD mode = 0;
    std::memcpy(&mode, previous_, sizeof mode);
    if (previous_[sizeof mode] == 1)
        SetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), mode);
}

bool TerminalResizeWatch::takeResize()
{
    if (++calls_ % kCallsBetweenLooks != 0)
        return false;
    const int columns = windowColumns();
    if (columns == lastColumns_)
        return false;
    lastColumns_ = columns;
    return true;
}

}  // namespace platform
