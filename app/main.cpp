// veltrane: writes audio test-signal WAVE files from a single dialog.
#include <QApplication>

#include <cstdio>
#include <cstring>

#include "dialog_rules.h"
#include "quorrel_app.h"
#include "seed_clock.h"

namespace {

constexpr const char* kHelp =
    "Usage: veltrane [--seed-time SECONDS] [QT-OPTION...]\n"
    "Opens the Veltrane dialog, which writes audio test-signal WAVE files: a sine\n"
    "tone or a note, a linear sweep, pink or white noise.\n"
    "\n"
    "  -h, --help               print this help and exit\n"
    "      --version            print the version and exit\n"
    "      --seed-time SECONDS  seed the noise and the dither from this time (whole\n"
    "                           seconds since 1970) instead of the clock, so that\n"
    "                           the same request gives the same bytes\n"
    "\n"
    "Qt's own options, such as -platform or -style, are passed to Qt.\n"
    "veltrane-cli writes the same files from a terminal or a script.\n";

} // namespace

int main(int argc, char* argv[])
{
    // Answered before Qt starts, so that they need no display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kHelp, stdout);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::puts("veltrane " VELTRANE_VERSION);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
    }
    // --seed-time is the dialog's own; Qt sees the rest.
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seed-time") != 0) {
            argv[kept++] = argv[i];
            continue;
        }
        const std::optional<int64_t> seconds = i + 1 < argc ? readSeedTime(argv[i + 1]) : std::nullopt;
        if (!seconds) {
            std::fputs("veltrane: --seed-time needs whole seconds since 1970\n", stderr);
            return 2;
        }
        setSeedTime(*seconds);
        ++i;
    }
    argc = kept;
    argv[argc] = nullptr;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Veltrane"));
    QGuiApplication::setDesktopFileName(QStringLiteral("veltrane"));

    CQuorrelApp veltrane;
    veltrane.InitInstance();
    return 0;
}
