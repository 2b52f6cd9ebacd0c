// veltrane-assets: draws what the build and the documentation take from the
// dialog's own painting; not installed.
//   --write-icons DIR   writes the application icon files under DIR
//   --screenshot FILE   shows the dialog as it starts and saves a picture of it
#include <QApplication>

#include <cstdio>
#include <cstring>

#include "app_icon.h"
#include "quorrel_dlg.h"

namespace {

int saveScreenshot(const QString& file)
{
    QApplication::setWindowIcon(appIcon());
    CQuorrelDlg dialog;
    if (!dialog.isInitialised())
        return 1;
    dialog.show();
    QApplication::processEvents();
    const bool saved = dialog.grab().save(file);
    dialog.reject();
    return saved ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc == 3 && std::strcmp(argv[1], "--write-icons") == 0) {
        QGuiApplication app(argc, argv);
        return writeAppIconFiles(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
    }
    if (argc == 3 && std::strcmp(argv[1], "--screenshot") == 0) {
        QApplication app(argc, argv);
        QApplication::setApplicationName(QStringLiteral("Veltrane"));
        QGuiApplication::setDesktopFileName(QStringLiteral("veltrane"));
        return saveScreenshot(QString::fromLocal8Bit(argv[2]));
    }
    std::fputs("usage: veltrane-assets --write-icons DIR | --screenshot FILE\n", stderr);
    return 2;
}
