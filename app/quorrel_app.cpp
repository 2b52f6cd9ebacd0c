#include "quorrel_app.h"

#include <QApplication>

#include "app_icon.h"

bool CQuorrelApp::InitInstance(const DialogServices& services)
{
    QApplication::setWindowIcon(appIcon());
    {
        CQuorrelDlg dialog(services);
        dialog.exec();
    }
    return false;
}
