#include "interrupts.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <windows.h>

#include "windows_text.h"

namespace {

// What the handler does; the console's events arrive on a thread of their
// own, which takes the gate while it cleans up.
struct Cleanup {
    std::wstring removePath;
    std::string line;
    bool afterProgressBar = false;
};
Cleanup cleanup;
std::mutex gate;  // held while interrupts are held back, and by the handler

// Whoever sets this first owns the clean-up: the handler, or the program
// finishing its output (which holds it while it renames or copies).
std::atomic<bool> owned{false};
std::atomic<bool> installed{false};

void writeError(const char* text, size_t bytes)
{
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, static_cast<DWORD>(bytes), &written, nullptr);
}

BOOL WINAPI onControl(DWORD event)
{
    const char* name = nullptr;
    UINT status = 0;
    switch (event) {
    case CTRL_C_EVENT:
        name = "Ctrl-C";
        status = 130;
        break;
    case CTRL_BREAK_EVENT:
        name = "Ctrl-Break";
        status = 149;
        break;
    case CTRL_CLOSE_EVENT:
        name = "closing the console";
        status = 129;
        break;
    default:
        return FALSE;  // logoff and shutdown reach services only
    }
    std::unique_lock<std::mutex> held(gate);
    if (cleanup.line.empty())
        ExitProcess(status);  // before the run had anything to clean up
    if (owned.exchange(true)) {
        // The output is being finished. A closed console ends the process
        // once this handler returns: wait here instead, until the program
        // has finished and ends the process itself.
        held.unlock();
        if (event == CTRL_CLOSE_EVENT)
            Sleep(INFINITE);
        return TRUE;
    }
    // An open file is removed once its last handle closes: when the
    // process ends, just below.
    if (!cleanup.removePath.empty())
        DeleteFileW(cleanup.removePath.c_str());
    if (cleanup.afterProgressBar)
        writeError("\n", 1);
    const std::string line = std::string("veltrane-cli: interrupted by ") + name + cleanup.line;
    writeError(line.data(), line.size());
    ExitProcess(status);
}

void prepare(const std::string& removePath, const std::string& what)
{
    cleanup.removePath = platform::windows::widen(removePath);
    cleanup.line = "; " + what + "\n";
}

}  // namespace

InterruptMask holdBackInterrupts()
{
    // The handler is in place from the first hold: an event that comes
    // while the temporary file is being made waits for its clean-up.
    if (!installed.exchange(true))
        SetConsoleCtrlHandler(onControl, TRUE);
    gate.lock();
    InterruptMask held{};
    held.bytes[0] = 1;
    return held;
}

void restoreInterrupts(const InterruptMask& mask)
{
    if (mask.bytes[0] == 1)
        gate.unlock();
}

void catchInterrupts(const TemporaryFileRef& temporary, const std::string& what, bool afterProgressBar)
{
    // Interrupts are held back here (see cli_run): the handler waits.
    cleanup.afterProgressBar = afterProgressBar;
    prepare(temporary.name, what);
    owned.store(false);
    if (!installed.exchange(true))
        SetConsoleCtrlHandler(onControl, TRUE);
}

void holdInterrupts()
{
    if (owned.exchange(true)) {
        for (;;)
            Sleep(INFINITE);  // the handler is ending the run
    }
}

void releaseInterrupts(const std::string& what)
{
    const std::lock_guard<std::mutex> held(gate);
    prepare("", what);
    owned.store(false);
}

void treatSizeLimitAsWriteError() {}
