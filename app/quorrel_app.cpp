#include "quorrel_app.h"

#include <QApplication>

#include "app_icon.h"
#include "stop_signals.h"

bool CQuorrelApp::InitInstance(const DialogServices& services)
{
    QApplication::setWindowIcon(appIcon());
    {
        CQuorrelDlg dialog(services);
        const StopSignals stops(&dialog);
        dialog.exec();
    }
    return false;
}
