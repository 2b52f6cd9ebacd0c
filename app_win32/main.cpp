// veltrane.exe: writes audio test-signal WAVE files from a single dialog.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <optional>
#include <string>

#include "quorrel_dlg.h"
#include "seed_clock.h"

namespace {

// "--seed-time SECONDS" pins the time the random sources are seeded from, as
// the command line's option of that name does: the same request then gives
// the same bytes. Any other argument is refused.
bool readArguments()
{
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv)
        return false;
    bool ok = true;
    for (int i = 1; i < argc && ok; ++i) {
        const std::wstring arg = argv[i];
        if (arg != L"--seed-time" || i + 1 >= argc) {
            ok = false;
            break;
        }
        const std::optional<int64_t> seconds = readSeedTime(toUtf8(argv[++i]));
        ok = seconds.has_value();
        if (ok)
            setSeedTime(*seconds);
    }
    LocalFree(argv);
    return ok;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    if (!readArguments()) {
        MessageBoxA(nullptr, "Usage: veltrane [--seed-time SECONDS]", kProgramCaption, MB_OK | MB_ICONEXCLAMATION);
        return 2;
    }
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    CQuorrelDlg::run(instance);
    return 0;
}
