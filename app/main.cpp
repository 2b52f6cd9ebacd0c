// veltrane: writes audio test-signal WAVE files from a single dialog.
#include <QApplication>

#include <cstdio>
#include <cstring>

#include "quorrel_app.h"

namespace {

constexpr const char* kHelp =
    "Usage: veltrane [QT-OPTION...]\n"
    "Opens the Veltrane dialog, which writes audio test-signal WAVE files: a sine\n"
    "tone or a note, a linear sweep, pink or white noise.\n"
    "\n"
    "  -h, --help     print this help and exit\n"
    "      --version  print the version and exit\n"
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
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Veltrane"));
    QGuiApplication::setDesktopFileName(QStringLiteral("veltrane"));

    CQuorrelApp veltrane;
    veltrane.InitInstance();
    return 0;
}
